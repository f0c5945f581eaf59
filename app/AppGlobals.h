// Process-wide values set once during start-up and read everywhere after.
#ifndef CORVINA_APPGLOBALS_H
#define CORVINA_APPGLOBALS_H

#include <QByteArray>
#include <QString>

extern QString g_qstrAppDirPath;    // program folder, forward slashes, no trailing separator
extern QByteArray g_baAppDirPath;   // the same in the local 8-bit code page
extern QString g_qstrLogFilePath;   // the log file, native separators
extern QByteArray g_baLogFilePath;  // the same in the local 8-bit code page
extern int g_iLanguage;             // QLocale::Language of the system locale
extern bool g_bDeviceRestore;       // true while the current operation is a restore

#endif
