#include "CDeviceOperater.h"

#include "CCmdLineExecuterQT.h"
#include "CToolOutputScanner.h"
#include "CToolStarter.h"
#include "LogCallSite.h"

#include <QFileInfo>

namespace {

bool ListCompleted(const QString&, const QString&)
{
    return true;
}

bool ArchiveCompleted(const QString& qstrOwnOutput, const QString& qstrStdError)
{
    return qstrOwnOutput.contains(QLatin1String("Archive: Complete")) && qstrOwnOutput.contains(QLatin1String("DONE."))
           && !qstrStdError.contains(QLatin1String("sizes don't match"));
}

bool InstallCompleted(const QString& qstrOwnOutput, const QString&)
{
    return qstrOwnOutput.contains(QLatin1String("Install: Complete"));
}

void SetCause(structFailureCause* pFailureCause, const structFailureCause& structFailureCauseThis)
{
    TEXTLOG("failure cause : %s, %s", FailureCauseName(structFailureCauseThis.eiCause),
            LOG8(structFailureCauseThis.qstrDetail));
    if (pFailureCause != nullptr)
        *pFailureCause = structFailureCauseThis;
}

} // namespace

bool CDeviceOperater::RunInstaller(const QStringList& listArguments, const QStringList& listArgumentTexts,
                                   const char* szOperation, CompletedFunction pfnCompleted, QString& strStdOutput,
                                   QString& strErrorMessage, const CToolEndRequest* pEndRequest,
                                   structFailureCause* pFailureCause)
{
    QString strStdError;
    structToolExit structToolExitThis;
    if (!CCmdLineExecuterQT::ExecuteAndGetStdOutput(CToolStarter::ProgramPath(CToolStarter::InstallerToolName()),
                                                    listArguments, strStdOutput, strStdError, strErrorMessage, -1,
                                                    &structToolExitThis, pEndRequest)) {
        strErrorMessage += QStringLiteral("\r\n") + QLatin1String(szOperation);
        SetCause(pFailureCause, CToolStarter::StartFailureCause(CToolStarter::InstallerToolName(), pEndRequest));
        return false;
    }
    CToolOutputScanner CToolOutputScannerThis(listArgumentTexts);
    // A list's app lines are the device's data: an app named "Failed Tests" is no error.
    const QString qstrJudgedOutput = pfnCompleted == ListCompleted ? WithoutAppLines(strStdOutput) : strStdOutput;
    const bool bErrorWord = CToolOutputScannerThis.ScanRead(qstrJudgedOutput, strStdError, true).bErrorWord;
    const bool bCompleted =
        pfnCompleted(CToolOutputScanner::WithoutTexts(strStdOutput, listArgumentTexts), strStdError);
    if (!bErrorWord && bCompleted && structToolExitThis.bNormalExit && structToolExitThis.iExitCode == 0)
        return true;
    TEXTLOG("Exit : bErrorWord : %d, bCompleted : %d", bErrorWord ? 1 : 0, bCompleted ? 1 : 0);
    SetCause(pFailureCause, CToolOutputScannerThis.Classifier().Cause(structToolExitThis, eiFailureCause_None));
    return false;
}

bool CDeviceOperater::GetAppInfoList(QString qstrDeviceUDID, QList<structAppInfo>& listAppInfo,
                                     QString& strErrorMessage, const CToolEndRequest* pEndRequest,
                                     structFailureCause* pFailureCause)
{
    TEXTLOG("Enter : qstrDeviceUDID : %s", LOG8(qstrDeviceUDID));
    const QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID, QStringLiteral("-l")};
    QString strStdOutput;
    if (!RunInstaller(listArguments, {qstrDeviceUDID}, "CDeviceOperater::GetAppInfoList", ListCompleted, strStdOutput,
                      strErrorMessage, pEndRequest, pFailureCause))
        return false;
    ParseAppList(strStdOutput, listAppInfo);
    TEXTLOG("Exit");
    return true;
}

bool CDeviceOperater::BackupApp(QString qstrDeviceUDID, QString qstrDirToSave, QString qstrAppPackageName,
                                QString& strErrorMessage, const CToolEndRequest* pEndRequest,
                                structFailureCause* pFailureCause)
{
    TEXTLOG("Enter : qstrDeviceUDID : %s, qstrDirToSave : %s, qstrAppPackageName : %s, ", LOG8(qstrDeviceUDID),
            LOG8(qstrDirToSave), LOG8(qstrAppPackageName));
    QString qstrDirForTool = qstrDirToSave;
    qstrDirForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID,         QStringLiteral("-a"),
                                    qstrAppPackageName,   QStringLiteral("-o"),   QStringLiteral("copy=") + qstrDirForTool,
                                    QStringLiteral("-o"), QStringLiteral("remove")};
    QString strStdOutput;
    if (!RunInstaller(listArguments, {qstrDeviceUDID, qstrAppPackageName, qstrDirForTool}, "CDeviceOperater::BackupApp",
                      ArchiveCompleted, strStdOutput, strErrorMessage, pEndRequest, pFailureCause))
        return false;
    TEXTLOG("Exit");
    return true;
}

bool CDeviceOperater::InstallApp(QString qstrDeviceUDID, QString qstrAppFullPathName, QString& strErrorMessage,
                                 const CToolEndRequest* pEndRequest, structFailureCause* pFailureCause)
{
    TEXTLOG("Enter: qstrAppFullPathName : %s", LOG8(qstrAppFullPathName));
    QString qstrPathForTool = qstrAppFullPathName;
    qstrPathForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID, QStringLiteral("-i"), qstrPathForTool};
    // The tool names the app by the identifier inside the archive, which is
    // the archive's name in a set ("Installing 'ID'").
    const QStringList listArgumentTexts{qstrDeviceUDID, qstrPathForTool, QFileInfo(qstrPathForTool).completeBaseName()};
    QString strStdOutput;
    if (!RunInstaller(listArguments, listArgumentTexts, "CDeviceOperater::InstallApp", InstallCompleted, strStdOutput,
                      strErrorMessage, pEndRequest, pFailureCause))
        return false;
    TEXTLOG("Exit");
    return true;
}

QString CDeviceOperater::WithoutEnds(const QString& qstrColumn)
{
    if (qstrColumn.size() < 2)
        return QString();
    return qstrColumn.mid(1, qstrColumn.size() - 2);
}

bool CDeviceOperater::ParseAppLine(QString qstrLine, structAppInfo& structAppInfoThis)
{
    if (qstrLine.endsWith(QLatin1Char('\r')))
        qstrLine.chop(1);
    const QStringList listColumns = qstrLine.split(QStringLiteral(", "));
    structAppInfoThis.qstrAppID = listColumns.at(0);
    if (listColumns.size() >= 3) {
        structAppInfoThis.qstrAppName = WithoutEnds(listColumns.at(2));
        structAppInfoThis.qstrAppVersion = WithoutEnds(listColumns.at(1));
    } else if (listColumns.size() == 2) {
        // The tool leaves the version out when the app has none.
        structAppInfoThis.qstrAppName = WithoutEnds(listColumns.at(1));
    } else {
        return false;
    }
    return true;
}

void CDeviceOperater::ParseAppList(const QString& qstrStdOutput, QList<structAppInfo>& listAppInfo)
{
    const QStringList listLines = qstrStdOutput.split(QLatin1Char('\n'));
    // The first line is the tool's heading.
    for (qsizetype i = 1; i < listLines.size(); ++i) {
        structAppInfo structAppInfoThis;
        if (ParseAppLine(listLines.at(i), structAppInfoThis))
            listAppInfo.append(structAppInfoThis);
    }
}

QString CDeviceOperater::WithoutAppLines(const QString& qstrStdOutput)
{
    const QStringList listLines = qstrStdOutput.split(QLatin1Char('\n'));
    QStringList listKept;
    for (qsizetype i = 0; i < listLines.size(); ++i) {
        structAppInfo structAppInfoThis;
        if (i == 0 || !ParseAppLine(listLines.at(i), structAppInfoThis))
            listKept.append(listLines.at(i));
    }
    return listKept.join(QLatin1Char('\n'));
}
