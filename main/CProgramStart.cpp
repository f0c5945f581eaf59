#include "CProgramStart.h"

#include "AppGlobals.h"
#include "CDllTextLogQT.h"
#include "CProgramFolder.h"
#include "CToolSettings.h"

#include <QCoreApplication>

void CProgramStart::SetProgramPaths()
{
    g_qstrAppDirPath = QCoreApplication::applicationDirPath();
    g_baAppDirPath = g_qstrAppDirPath.toLocal8Bit();
    g_qstrLogFilePath = CProgramFolder::LogFilePath(g_qstrAppDirPath);
    g_baLogFilePath = g_qstrLogFilePath.toLocal8Bit();
    CToolSettings::SetProgramFolder(g_qstrAppDirPath);
    // Only the demo sets it, to keep its settings and backups out of the user's own.
    CProgramFolder::SetSettingsFolder(qEnvironmentVariable("CORVINA_CONFIG_DIR"));
}

void CProgramStart::LoadLogLibrary()
{
    QString strErrorMessage;
    if (!g_CDllTextLogQT.InitDataDll(strErrorMessage))
        g_CDllTextLogQT.InitDataDll(strErrorMessage);
}
