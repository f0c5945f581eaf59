#include "CDeviceOperater.h"

#include "CCmdLineExecuterQT.h"
#include "CToolOutputScanner.h"
#include "CToolStarter.h"
#include "LogCallSite.h"

bool CDeviceOperater::RunInstaller(const QStringList& listArguments, const char* szOperation, QString& strStdOutput,
                                   QString& strErrorMessage, const CToolEndRequest* pEndRequest)
{
    QString strStdError;
    structToolExit structToolExitThis;
    if (!CCmdLineExecuterQT::ExecuteAndGetStdOutput(CToolStarter::ProgramPath(CToolStarter::InstallerToolName()),
                                                    listArguments, strStdOutput, strStdError, strErrorMessage, -1,
                                                    &structToolExitThis, pEndRequest)) {
        strErrorMessage += QStringLiteral("\r\n") + QLatin1String(szOperation);
        return false;
    }
    if (CToolOutputScanner::ContainsErrorWord(strStdOutput) || CToolOutputScanner::ContainsErrorWord(strStdError))
        return false;
    // Several failures (no device, a refused upload) show only in the exit.
    if (!structToolExitThis.bNormalExit || structToolExitThis.iExitCode != 0) {
        TEXTLOG("Exit : the tool crashed or ended with exit code %d", structToolExitThis.iExitCode);
        return false;
    }
    return true;
}

bool CDeviceOperater::GetAppInfoList(QString qstrDeviceUDID, QList<structAppInfo>& listAppInfo,
                                     QString& strErrorMessage, const CToolEndRequest* pEndRequest)
{
    TEXTLOG("Enter : qstrDeviceUDID : %s", LOG8(qstrDeviceUDID));
    const QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID, QStringLiteral("-l")};
    QString strStdOutput;
    if (!RunInstaller(listArguments, "CDeviceOperater::GetAppInfoList", strStdOutput, strErrorMessage, pEndRequest))
        return false;
    ParseAppList(strStdOutput, listAppInfo);
    TEXTLOG("Exit");
    return true;
}

bool CDeviceOperater::BackupApp(QString qstrDeviceUDID, QString qstrDirToSave, QString qstrAppPackageName,
                                QString& strErrorMessage, const CToolEndRequest* pEndRequest)
{
    TEXTLOG("Enter : qstrDeviceUDID : %s, qstrDirToSave : %s, qstrAppPackageName : %s, ", LOG8(qstrDeviceUDID),
            LOG8(qstrDirToSave), LOG8(qstrAppPackageName));
    QString qstrDirForTool = qstrDirToSave;
    qstrDirForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID,         QStringLiteral("-a"),
                                    qstrAppPackageName,   QStringLiteral("-o"),   QStringLiteral("copy=") + qstrDirForTool,
                                    QStringLiteral("-o"), QStringLiteral("remove")};
    QString strStdOutput;
    if (!RunInstaller(listArguments, "CDeviceOperater::BackupApp", strStdOutput, strErrorMessage, pEndRequest))
        return false;
    TEXTLOG("Exit");
    return true;
}

bool CDeviceOperater::InstallApp(QString qstrDeviceUDID, QString qstrAppFullPathName, QString& strErrorMessage,
                                 const CToolEndRequest* pEndRequest)
{
    TEXTLOG("Enter: qstrAppFullPathName : %s", LOG8(qstrAppFullPathName));
    QString qstrPathForTool = qstrAppFullPathName;
    qstrPathForTool.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList listArguments{QStringLiteral("-u"), qstrDeviceUDID, QStringLiteral("-i"), qstrPathForTool};
    QString strStdOutput;
    if (!RunInstaller(listArguments, "CDeviceOperater::InstallApp", strStdOutput, strErrorMessage, pEndRequest))
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

void CDeviceOperater::ParseAppList(const QString& qstrStdOutput, QList<structAppInfo>& listAppInfo)
{
    const QStringList listLines = qstrStdOutput.split(QLatin1Char('\n'));
    // The first line is the tool's heading.
    for (qsizetype i = 1; i < listLines.size(); ++i) {
        QString qstrLine = listLines.at(i);
        if (qstrLine.endsWith(QLatin1Char('\r')))
            qstrLine.chop(1);
        const QStringList listColumns = qstrLine.split(QStringLiteral(", "));
        structAppInfo structAppInfoThis;
        structAppInfoThis.qstrAppID = listColumns.at(0);
        if (listColumns.size() >= 3) {
            structAppInfoThis.qstrAppName = WithoutEnds(listColumns.at(2));
            structAppInfoThis.qstrAppVersion = WithoutEnds(listColumns.at(1));
        } else if (listColumns.size() == 2) {
            // The tool leaves the version out when the app has none.
            structAppInfoThis.qstrAppName = WithoutEnds(listColumns.at(1));
        } else {
            continue;
        }
        listAppInfo.append(structAppInfoThis);
    }
}
