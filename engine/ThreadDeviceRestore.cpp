#include "ThreadDeviceRestore.h"

#include "CBackup.h"
#include "CDeviceOperater.h"
#include "CProgressToolRun.h"
#include "CStaticPubFunc.h"
#include "CToolStarter.h"
#include "LogCallSite.h"

int g_iRestoreAppFailedCount = 0;

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
    // A run starts afresh: a restore without apps must not show the warning
    // of an earlier operation, and a Retry must not add an old percentage.
    g_iRestoreAppFailedCount = 0;
    iProgressApps = 0;
    bool bSucceeded = true;
    QString strErrorMessage;
    if (bRestoreApps && !RestoreApps(strErrorMessage))
        bSucceeded = false;
    else if (bRestorePersonalData)
        bSucceeded = RestorePersonalData();
    // A request that came after the last tool ended belongs to this run only.
    m_CToolEndRequest.Clear();
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
        return false;
    }
    const QString qstrArchivePath = CBackup::JoinPath(qstrAppsFolder, qstrFileName).trimmed();
    structFileInfo structFileInfoThis;
    CStaticPubFunc::GetFileInfo(qstrArchivePath, structFileInfoThis, strErrorMessage);
    if (structFileInfoThis.iFileSize <= 0)
        return false;
    return CDeviceOperater::InstallApp(qstrDeviceUDID, qstrArchivePath, strErrorMessage, &m_CToolEndRequest);
}

bool ThreadDeviceRestore::RestoreApps(QString& strErrorMessage)
{
    TEXTLOG("Enter");
    g_iRestoreAppFailedCount = 0;
    // A marker naming a folder outside the set would make the restore install
    // archives from elsewhere.
    if (!CStaticPubFunc::IsPlainFileName(qstrIPAFolderName)) {
        TEXTLOG("Exit : qstrIPAFolderName is not a plain folder name : %s", LOG8(qstrIPAFolderName));
        return false;
    }
    const QString qstrAppsFolder = CBackup::JoinPath(qstrBackupDirectory, qstrIPAFolderName);
    QString qstrListFileName;
    qint64 iListFileSize = 0;
    const QString qstrListText =
        CStaticPubFunc::ReadFileToString(CBackup::JoinPath(qstrAppsFolder, CBackup::IpaListFileName()),
                                         qstrListFileName, iListFileSize, strErrorMessage);
    const QStringList qstrlistTemp = CBackup::IpaListEntries(qstrListText);
    const qsizetype iEntryCount = qstrlistTemp.size();
    TEXTLOG("qstrlistTemp.size() : %d", static_cast<int>(iEntryCount));
    for (qsizetype i = 0; i < iEntryCount; ++i) {
        TEXTLOG("qstrlistTemp[%d] : %s", static_cast<int>(i), LOG8(qstrlistTemp.at(i)));
        if (!RestoreOneApp(qstrAppsFolder, qstrlistTemp.at(i), strErrorMessage))
            ++g_iRestoreAppFailedCount;
        if (m_CToolEndRequest.IsRequested()) {
            TEXTLOG("Exit : the tool was ended on request");
            return false;
        }
        int iProgress = static_cast<int>((i * 100) / iEntryCount);
        if (bRestorePersonalData)
            iProgress /= 2;
        emit signal_Progress(eiStepBackupRestore_Apps, iProgress);
        iProgressApps = iProgress;
    }
    TEXTLOG("g_iRestoreAppFailedCount : %d", g_iRestoreAppFailedCount);
    TEXTLOG("Exit");
    return true;
}

bool ThreadDeviceRestore::RestorePersonalData()
{
    TEXTLOG("Enter");
    QString qstrDirForTool = qstrBackupDirectory;
    qstrDirForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID};
    if (!qstrDataFolderName.isEmpty())
        listArguments << QStringLiteral("-s") << qstrDataFolderName;
    listArguments << QStringLiteral("restore") << QStringLiteral("--reboot") << QStringLiteral("--system")
                  << qstrDirForTool;

    CProgressToolRun CProgressToolRunThis(&m_CToolEndRequest);
    if (!CProgressToolRunThis.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()), listArguments)) {
        TEXTLOG("Exit : the tool could not be started");
        return false;
    }
    TEXTLOG("QProcessThis.start After");
    while (true) {
        TEXTLOG("QProcessThis.waitForFinished Before...");
        const CProgressToolRun::structPass structPassThis = CProgressToolRunThis.NextPass();
        TEXTLOG("QProcessThis.waitForFinished After...");
        TEXTLOG("strStdOutput : %s", LOG8(structPassThis.qstrStdOutput));
        TEXTLOG("strStdError : %s", LOG8(structPassThis.qstrStdError));
        const CToolOutputScanner::structScan& structScanThis = structPassThis.structScanThis;
        if (structScanThis.bErrorWord) {
            TEXTLOG("Exit : error word");
            return false;
        }
        if (!structScanThis.bFinished) {
            if (!structPassThis.bToolFinished) {
                TEXTLOG("continue...");
                continue;
            }
        } else {
            TEXTLOG("qstrProgress : %s", LOG8(structScanThis.qstrProgress));
            TEXTLOG("iProgress : %d", structScanThis.iProgress);
            if (structScanThis.iProgress >= 1 && structScanThis.iProgress <= 100) {
                int iProgress = structScanThis.iProgress;
                if (bRestoreApps)
                    iProgress = iProgress / 2 + iProgressApps;
                TEXTLOG("signal_Progress Before, iProgress : %d", iProgress);
                emit signal_Progress(eiStepBackupRestore_PersonalData, iProgress);
            }
        }
        if (structPassThis.bToolFinished) {
            TEXTLOG("break");
            const bool bSucceeded = CProgressToolRunThis.Succeeded();
            TEXTLOG("%s", bSucceeded ? "Exit" : "Exit : failed");
            return bSucceeded;
        }
    }
}
