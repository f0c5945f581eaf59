#include "ThreadDeviceRestore.h"

#include "CBackup.h"
#include "CDeviceOperater.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"

#include <QFileInfo>

namespace {

// The text without the white space at its end.
QString WithoutTrailingSpace(const QString& qstrText)
{
    qsizetype iEnd = qstrText.size();
    while (iEnd > 0 && qstrText.at(iEnd - 1).isSpace())
        --iEnd;
    return qstrText.left(iEnd);
}

} // namespace

void ThreadDeviceRestore::run()
{
    TEXTLOG("Enter");
    BeginRun();
    // A run starts afresh: a Retry must not add an old percentage.
    iProgressApps = 0;
    m_bSetHoldsNoArchives = false;
    bool bSucceeded = true;
    QString strErrorMessage;
    if (bRestoreApps && !RestoreApps(strErrorMessage))
        bSucceeded = false;
    else if (bRestorePersonalData)
        bSucceeded = RestorePersonalData();
    EndRun(bSucceeded);
    TEXTLOG("%s", bSucceeded ? "Exit" : "Exit : failed");
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Result, bSucceeded ? 1 : 0);
}

bool ThreadDeviceRestore::RestoreOneApp(const QString& qstrAppsFolder, const QString& qstrEntry,
                                        QString& strErrorMessage)
{
    // The whole path is trimmed at both ends, so blanks at the end of the
    // entry do not count; those at its start stay part of the file name.
    const QString qstrFileName = WithoutTrailingSpace(qstrEntry);
    if (!CStaticPubFunc::IsPlainFileName(qstrFileName)) {
        TEXTLOG("not a plain file name, not installed : %s", LOG8(qstrEntry));
        NoteAppFailure({eiFailureCause_BackupIncomplete, QString()});
        return false;
    }
    const QString qstrArchivePath = CBackup::JoinPath(qstrAppsFolder, qstrFileName).trimmed();
    structFileInfo structFileInfoThis;
    CStaticPubFunc::GetFileInfo(qstrArchivePath, structFileInfoThis, strErrorMessage);
    // Sets of devices that no longer archive apps list apps without archives.
    if (structFileInfoThis.iFileSize <= 0) {
        NoteAppFailure({eiFailureCause_BackupIncomplete, QString()});
        return false;
    }
    structFailureCause structFailureCauseThis;
    if (CDeviceOperater::InstallApp(qstrDeviceUDID, qstrArchivePath, strErrorMessage, &m_CToolEndRequest,
                                    &structFailureCauseThis))
        return true;
    NoteAppFailure(structFailureCauseThis);
    return false;
}

bool ThreadDeviceRestore::NoListedArchive(const QString& qstrAppsFolder, const QStringList& listEntries)
{
    for (const QString& qstrEntry : listEntries) {
        const QString qstrFileName = WithoutTrailingSpace(qstrEntry);
        if (CStaticPubFunc::IsPlainFileName(qstrFileName)
            && QFileInfo(CBackup::JoinPath(qstrAppsFolder, qstrFileName).trimmed()).size() > 0)
            return false;
    }
    return true;
}

bool ThreadDeviceRestore::RestoreApps(QString& strErrorMessage)
{
    TEXTLOG("Enter");
    // A marker naming a folder outside the set would make the restore install
    // archives from elsewhere.
    if (!CStaticPubFunc::IsPlainFileName(qstrIPAFolderName)) {
        TEXTLOG("Exit : qstrIPAFolderName is not a plain folder name : %s", LOG8(qstrIPAFolderName));
        SetFailureCause({eiFailureCause_BackupIncomplete, QString()});
        return false;
    }
    const QString qstrAppsFolder = CBackup::JoinPath(qstrBackupDirectory, qstrIPAFolderName);
    const QString qstrListPath = CBackup::JoinPath(qstrAppsFolder, CBackup::IpaListFileName());
    // A list that is no file (a pipe would block the read for ever, a device
    // never ends) or longer than any device's apps need comes from a damaged
    // or crafted set. A missing list, or a folder in its place, lists nothing.
    const QFileInfo listFileInfo(qstrListPath);
    if (listFileInfo.exists() && !listFileInfo.isDir()
        && (!listFileInfo.isFile() || listFileInfo.size() > CBackup::iIpaListMaxBytes)) {
        TEXTLOG("Exit : the list is no file or too long : %lld", static_cast<long long>(listFileInfo.size()));
        SetFailureCause({eiFailureCause_BackupIncomplete, QString()});
        return false;
    }
    QString qstrListFileName;
    qint64 iListFileSize = 0;
    const QString qstrListText = CStaticPubFunc::ReadFileToString(qstrListPath, qstrListFileName, iListFileSize,
                                                                  strErrorMessage, CBackup::iIpaListMaxBytes);
    const QStringList qstrlistTemp = CBackup::IpaListEntries(qstrListText);
    const qsizetype iEntryCount = qstrlistTemp.size();
    TEXTLOG("qstrlistTemp.size() : %d", static_cast<int>(iEntryCount));
    // A set of a device that never let its apps be archived is complete as it
    // is: its apps come back from the App Store, their data with the personal
    // data. Only without the personal data is there nothing to restore.
    if (iEntryCount > 0 && NoListedArchive(qstrAppsFolder, qstrlistTemp)) {
        m_bSetHoldsNoArchives = true;
        TEXTLOG("Exit : the set holds no app archives");
        if (!bRestorePersonalData)
            SetFailureCause({eiFailureCause_NoAppArchives, QString()});
        return bRestorePersonalData;
    }
    for (qsizetype i = 0; i < iEntryCount; ++i) {
        TEXTLOG("qstrlistTemp[%d] : %s", static_cast<int>(i), LOG8(qstrlistTemp.at(i)));
        RestoreOneApp(qstrAppsFolder, qstrlistTemp.at(i), strErrorMessage);
        if (m_CToolEndRequest.IsRequested()) {
            TEXTLOG("Exit : the tool was ended on request");
            SetFailureCause({m_CToolEndRequest.Reason(), QString()});
            return false;
        }
        int iProgress = static_cast<int>((i * 100) / iEntryCount);
        if (bRestorePersonalData)
            iProgress /= 2;
        emit signal_Progress(eiStepBackupRestore_Apps, iProgress);
        iProgressApps = iProgress;
    }
    TEXTLOG("AppFailedCount : %d", AppFailedCount());
    TEXTLOG("Exit");
    return true;
}

bool ThreadDeviceRestore::RestorePersonalData()
{
    TEXTLOG("Enter");
    // Like the apps folder: a marker naming anything but a folder of the set
    // must not point the tool elsewhere.
    if (!qstrDataFolderName.isEmpty() && !CStaticPubFunc::IsPlainFileName(qstrDataFolderName)) {
        TEXTLOG("Exit : qstrDataFolderName is not a plain folder name : %s", LOG8(qstrDataFolderName));
        SetFailureCause({eiFailureCause_BackupIncomplete, QString()});
        return false;
    }
    QString qstrDirForTool = qstrBackupDirectory;
    qstrDirForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID};
    if (!qstrDataFolderName.isEmpty())
        listArguments << QStringLiteral("-s") << qstrDataFolderName;
    listArguments << QStringLiteral("restore") << QStringLiteral("--reboot") << QStringLiteral("--system")
                  << qstrDirForTool;
    const QStringList listArgumentTexts{qstrDeviceUDID, qstrDataFolderName, qstrDirForTool};
    if (qstrPassword.isEmpty())
        return RunPersonalDataTool(listArguments, listArgumentTexts, true);
    // Interactive mode: the tool asks for an encrypted set's password and reads
    // one line from its standard input (a pipe as well as a terminal); it
    // reads nothing for a set that is not encrypted.
    listArguments.prepend(QStringLiteral("-i"));
    QByteArray baInput = qstrPassword.toUtf8() + '\n';
    qstrPassword.clear();
    return RunPersonalDataTool(listArguments, listArgumentTexts, true, &baInput);
}

void ThreadDeviceRestore::ReportPersonalDataProgress(int iToolProgress)
{
    int iProgress = iToolProgress;
    if (bRestoreApps)
        iProgress = iProgress / 2 + iProgressApps;
    TEXTLOG("signal_Progress Before, iProgress : %d", iProgress);
    emit signal_Progress(eiStepBackupRestore_PersonalData, iProgress);
}

structFailureCause ThreadDeviceRestore::PersonalDataFailureCause(const structFailureCause& structToolCause) const
{
    // The tool aborts on a set whose backup never finished (Info.plist
    // written, no Manifest.plist), as a backup that failed or was cancelled
    // leaves it.
    const QString qstrSource = qstrDataFolderName.isEmpty() ? qstrDeviceUDID : qstrDataFolderName;
    if (structToolCause.eiCause == eiFailureCause_ToolCrashed
        && !QFileInfo::exists(
            CBackup::JoinPath(CBackup::JoinPath(qstrBackupDirectory, qstrSource), QStringLiteral("Manifest.plist"))))
        return {eiFailureCause_BackupIncomplete, QString()};
    return structToolCause;
}
