// The three things done with a device's apps, each by one run of
// ideviceinstaller: list the installed apps, archive one app into a folder,
// install an app archive.
#ifndef CORVINA_CDEVICEOPERATER_H
#define CORVINA_CDEVICEOPERATER_H

#include <QList>
#include <QString>
#include <QStringList>

class CToolEndRequest;

// One installed app, as one line of the tool's list output names it.
struct structAppInfo
{
    QString qstrAppID;      // first column: the app identifier, also the archive's base name
    QString qstrAppName;    // display name, without its quotes
    QString qstrAppVersion; // version, without its quotes; empty when the tool left it out
};

class CDeviceOperater
{
public:
    // Each operation fails when the tool cannot be started or was ended on
    // request (then strErrorMessage gets "\r\n" and the operation's name
    // appended), when either output channel holds an error word, or when the
    // tool crashed or ended with an exit code other than 0. strErrorMessage is
    // never cleared.

    // Appends one record per app of the device to listAppInfo.
    static bool GetAppInfoList(QString qstrDeviceUDID, QList<structAppInfo>& listAppInfo, QString& strErrorMessage,
                               const CToolEndRequest* pEndRequest = nullptr);

    // Asks the tool to leave qstrAppPackageName + ".ipa" in qstrDirToSave.
    static bool BackupApp(QString qstrDeviceUDID, QString qstrDirToSave, QString qstrAppPackageName,
                          QString& strErrorMessage, const CToolEndRequest* pEndRequest = nullptr);

    // Installs the archive qstrAppFullPathName onto the device.
    static bool InstallApp(QString qstrDeviceUDID, QString qstrAppFullPathName, QString& strErrorMessage,
                           const CToolEndRequest* pEndRequest = nullptr);

    // Reads the list output: a heading line, then one app per line, lines ended
    // by "\n" or "\r\n", columns separated by ", ". A line of two columns is an
    // app without a version; a line of fewer columns is no app.
    static void ParseAppList(const QString& qstrStdOutput, QList<structAppInfo>& listAppInfo);

private:
    // Runs the tool and judges the run; szOperation is appended to the error
    // text when the tool did not run to its end.
    static bool RunInstaller(const QStringList& listArguments, const char* szOperation, QString& strStdOutput,
                             QString& strErrorMessage, const CToolEndRequest* pEndRequest);

    // The text without its first and last character (the tool's quotes).
    static QString WithoutEnds(const QString& qstrColumn);
};

#endif
