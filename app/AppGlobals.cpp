#include "AppGlobals.h"

QString g_qstrAppDirPath;
QByteArray g_baAppDirPath;
QString g_qstrLogFilePath;
QByteArray g_baLogFilePath;
int g_iLanguage = 0;
bool g_bDeviceRestore = false;
