#include "ThreadDeviceBackup.h"

#include "CBackup.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"

#include <memory>

void ThreadDeviceBackup::run()
{
    TEXTLOG("Enter");
    BeginRun();
    // A run starts afresh: a Retry must not add an old percentage.
    iProgressPersonalData = 0;
    {
        QMutexLocker locker(&m_QMutexSetCheck);
        m_structSetCheck = structSetCheck();
        m_eiSeedRoad = eiSeedRoad_Full;
        m_structTransfer = structTransfer();
    }
    bool bSucceeded = true;
    if (bBackupPersonalData && !BackupPersonalData()) {
        bSucceeded = false;
    } else if (bBackupApps) {
        QString strErrorMessage;
        bSucceeded = BackupApps(strErrorMessage);
    }
    EndRun(bSucceeded);
    TEXTLOG("%s", bSucceeded ? "Exit" : "Exit : failed");
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Result, bSucceeded ? 1 : 0);
}

bool ThreadDeviceBackup::BackupPersonalData()
{
    TEXTLOG("Enter");
    QString qstrDirForTool = qstrBackupDirectory;
    qstrDirForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    SeededFiles seededFiles;
    const bool bSeeded = bCopyOnlyChanges && SeedSet(qstrDirForTool, seededFiles);
    if (m_CToolEndRequest.IsRequested()) {
        TEXTLOG("Exit : ended on request while seeding");
        SetFailureCause({m_CToolEndRequest.Reason(), QString()});
        return false;
    }
    // Into a seeded set the device sends only what changed; else all of it.
    QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID, QStringLiteral("backup")};
    if (!bSeeded)
        listArguments << QStringLiteral("--full");
    listArguments << qstrDirForTool;
    const QString qstrDataFolder = CBackup::JoinPath(qstrDirForTool, qstrDeviceUDID);
    if (!RunPersonalDataTool(listArguments, {qstrDeviceUDID, qstrDirForTool}, false)) {
        if (bSeeded)
            CSetSeed::MarkFailed(qstrDataFolder);
        return false;
    }
    // Also after a retry that took the full road into a once seeded set.
    if (!CSetSeed::MarkSucceeded(qstrDataFolder))
        TEXTLOG("the seeded set's marker cannot be removed");
    if (!CheckSet())
        return false;
    const structTransfer transfer = CSetSeed::CountTransfer(qstrDataFolder, seededFiles);
    TEXTLOG("transferred : %lld of %lld bytes", transfer.iTransferredBytes, transfer.iSetBytes);
    QMutexLocker locker(&m_QMutexSetCheck);
    m_structTransfer = transfer;
    return true;
}

bool ThreadDeviceBackup::SeedSet(const QString& qstrSetDirectory, SeededFiles& seededFiles)
{
    emit signal_Progress(eiStepBackupRestore_Seed, 0);
    const std::unique_ptr<FileLinkPlatform> platform = FileLinkPlatform::Create();
    structSeedResult seed = CSetSeed(*platform).Seed(qstrSetDirectory, qstrDeviceUDID, eiDeviceEncryption,
                                                     &m_CToolEndRequest);
    static const char* const szRoads[] = {"full backup", "hard links", "copies"};
    TEXTLOG("seeded by %s from \"%s\": %s", szRoads[seed.eiRoad], LOG8(seed.qstrBaseSet), LOG8(seed.qstrWhy));
    {
        QMutexLocker locker(&m_QMutexSetCheck);
        m_eiSeedRoad = seed.eiRoad;
    }
    seededFiles = std::move(seed.seededFiles);
    return seed.eiRoad != eiSeedRoad_Full;
}

enumSeedRoad ThreadDeviceBackup::SeedRoad() const
{
    QMutexLocker locker(&m_QMutexSetCheck);
    return m_eiSeedRoad;
}

structTransfer ThreadDeviceBackup::Transfer() const
{
    QMutexLocker locker(&m_QMutexSetCheck);
    return m_structTransfer;
}

bool ThreadDeviceBackup::CheckSet()
{
    // The tool writes the device's files into a folder named by the UDID it was given.
    const structSetCheck result = CBackupSetCheck::Check(CBackup::JoinPath(qstrBackupDirectory, qstrDeviceUDID));
    {
        QMutexLocker locker(&m_QMutexSetCheck);
        m_structSetCheck = result;
    }
    if (result.eiState == eiSetState_Complete)
        return true;
    TEXTLOG("the set is not sound: %s; %lld files fail, the first: %s", LOG8(result.qstrProblem),
            result.iFailingCount, LOG8(result.qstrlistFirstFailing.join(QStringLiteral(", "))));
    SetFailureCause({eiFailureCause_SetUnsound, QString::number(result.iFailingCount)});
    return false;
}

structSetCheck ThreadDeviceBackup::SetCheck() const
{
    QMutexLocker locker(&m_QMutexSetCheck);
    return m_structSetCheck;
}

void ThreadDeviceBackup::ReportPersonalDataProgress(int iToolProgress)
{
    const int iProgress = bBackupApps ? iToolProgress / 2 : iToolProgress;
    emit signal_Progress(eiStepBackupRestore_PersonalData, iProgress);
    iProgressPersonalData = iProgress;
}

bool ThreadDeviceBackup::BackupOneApp(const QString& qstrAppsFolder, const QString& qstrAppID,
                                      QString& strErrorMessage)
{
    TEXTLOG("Enter : qstrAppID : %s", LOG8(qstrAppID));
    const QString qstrArchiveName = qstrAppID + CBackup::IpaSuffix();
    // An identifier that is not a plain file name would make the tool write
    // somewhere else than into the set.
    if (!CStaticPubFunc::IsPlainFileName(qstrArchiveName)) {
        TEXTLOG("Exit : not a plain file name");
        NoteAppFailure({eiFailureCause_Unknown, QString()});
        return false;
    }
    const QString qstrArchivePath = CBackup::JoinPath(qstrAppsFolder, qstrArchiveName);
    bool bResult = false;
    structFileInfo structFileInfoThis;
    structFailureCause structFailureCauseThis;
    for (int iAttempt = 1; iAttempt <= 3; ++iAttempt) {
        structFailureCauseThis = {eiFailureCause_Unknown, QString()};
        bResult = CDeviceOperater::BackupApp(qstrDeviceUDID, qstrAppsFolder, qstrAppID, strErrorMessage,
                                             &m_CToolEndRequest, &structFailureCauseThis);
        structFileInfoThis = structFileInfo();
        CStaticPubFunc::GetFileInfo(qstrArchivePath, structFileInfoThis, strErrorMessage);
        // A device that no longer archives apps says so for good.
        if (structFileInfoThis.iFileSize > 0 || m_CToolEndRequest.IsRequested()
            || structFailureCauseThis.eiCause == eiFailureCause_AppsUnsupported)
            break;
    }
    const bool bSucceeded = bResult && structFileInfoThis.iFileSize > 0;
    if (!bSucceeded)
        NoteAppFailure(structFailureCauseThis);
    TEXTLOG("%s", bSucceeded ? "Exit" : "Exit : failed");
    return bSucceeded;
}

bool ThreadDeviceBackup::BackupApps(QString& strErrorMessage)
{
    TEXTLOG("Enter");
    QList<structAppInfo> listAppInfo;
    structFailureCause structFailureCauseThis;
    if (!CDeviceOperater::GetAppInfoList(qstrDeviceUDID, listAppInfo, strErrorMessage, &m_CToolEndRequest,
                                         &structFailureCauseThis)) {
        TEXTLOG("Exit : GetAppInfoList failed");
        SetFailureCause(structFailureCauseThis);
        return false;
    }
    const QString qstrAppsFolder = CBackup::JoinPath(qstrBackupDirectory, CBackup::IPAFolderName());
    CStaticPubFunc::CreateMultiLevelDirectory(qstrAppsFolder);
    // The list is written before any archive, so it names every app of the
    // device, also those whose archive fails.
    CStaticPubFunc::WriteStringToFile(CBackup::JoinPath(qstrAppsFolder, CBackup::IpaListFileName()),
                                      CBackup::IpaListText(listAppInfo));

    const qsizetype iAppCount = listAppInfo.size();
    qsizetype iSaved = 0;
    for (qsizetype i = 0; i < iAppCount; ++i) {
        if (BackupOneApp(qstrAppsFolder, listAppInfo.at(i).qstrAppID, strErrorMessage))
            ++iSaved;
        if (m_CToolEndRequest.IsRequested()) {
            TEXTLOG("Exit : the tool was ended on request");
            SetFailureCause({m_CToolEndRequest.Reason(), QString()});
            return false;
        }
        int iProgress = static_cast<int>((i * 100) / iAppCount);
        if (bBackupPersonalData)
            iProgress = iProgress / 2 + iProgressPersonalData;
        emit signal_Progress(eiStepBackupRestore_Apps, iProgress);
    }
    TEXTLOG("AppFailedCount : %d", AppFailedCount());
    // Without the personal data, a backup that saved no app holds nothing
    // that could ever be restored.
    if (!bBackupPersonalData && iSaved == 0) {
        TEXTLOG("Exit : nothing saved");
        SetFailureCause(NothingSavedCause(iAppCount));
        return false;
    }
    TEXTLOG("Exit");
    return true;
}

structFailureCause ThreadDeviceBackup::NothingSavedCause(qsizetype iAppCount) const
{
    if (iAppCount == 0)
        return {eiFailureCause_NoApps, QString()};
    const structFailureCause structAppsCause = AppsFailureCause();
    if (structAppsCause.eiCause == eiFailureCause_AppsUnsupported)
        return {eiFailureCause_NoAppSaved, QString()};
    // A cause every app shared (a crash, a locked device, the tool's error
    // line) says more than a general one; None when they differ.
    return structAppsCause;
}
