// The three things done with a device's apps, each by one run of
// ideviceinstaller: list the installed apps, archive one app into a folder,
// install an app archive.
#ifndef CORVINA_CDEVICEOPERATER_H
#define CORVINA_CDEVICEOPERATER_H

#include "CFailureCause.h"

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
    // appended), when either output channel holds an error word of the
    // tool's own (the texts passed to it, and the apps' names and identifiers
    // of a list, do not count), when the tool crashed or ended with an exit
    // code other than 0, or when it did not say that its command completed.
    // strErrorMessage is never cleared. On failure *pFailureCause, when
    // given, tells why.

    // Appends one record per app of the device to listAppInfo.
    static bool GetAppInfoList(QString qstrDeviceUDID, QList<structAppInfo>& listAppInfo, QString& strErrorMessage,
                               const CToolEndRequest* pEndRequest = nullptr,
                               structFailureCause* pFailureCause = nullptr);

    // Asks the tool to leave qstrAppPackageName + ".ipa" in qstrDirToSave.
    // Completed: "Archive: Complete", then the copy's "DONE." without a
    // warning that the copied size differs.
    static bool BackupApp(QString qstrDeviceUDID, QString qstrDirToSave, QString qstrAppPackageName,
                          QString& strErrorMessage, const CToolEndRequest* pEndRequest = nullptr,
                          structFailureCause* pFailureCause = nullptr);

    // Installs the archive qstrAppFullPathName onto the device. Completed:
    // "Install: Complete" (a failed upload or a removed device exit with 0).
    static bool InstallApp(QString qstrDeviceUDID, QString qstrAppFullPathName, QString& strErrorMessage,
                           const CToolEndRequest* pEndRequest = nullptr, structFailureCause* pFailureCause = nullptr);

    // Reads the list output: a heading line, then one app per line, lines ended
    // by "\n" or "\r\n", columns separated by ", ". A line of two columns is an
    // app without a version; a line of fewer columns is no app.
    static void ParseAppList(const QString& qstrStdOutput, QList<structAppInfo>& listAppInfo);

private:
    // Whether the tool said its command completed: its standard output
    // without the argument texts, and its standard error.
    using CompletedFunction = bool (*)(const QString& qstrOwnOutput, const QString& qstrStdError);

    // Runs the tool and judges the run; szOperation is appended to the error
    // text when the tool did not run to its end. listArgumentTexts are the
    // texts among the arguments that the tool may echo.
    static bool RunInstaller(const QStringList& listArguments, const QStringList& listArgumentTexts,
                             const char* szOperation, CompletedFunction pfnCompleted, QString& strStdOutput,
                             QString& strErrorMessage, const CToolEndRequest* pEndRequest,
                             structFailureCause* pFailureCause);

    // One line of the list output after the heading; false when it is no app.
    static bool ParseAppLine(QString qstrLine, structAppInfo& structAppInfoThis);

    // The list output with the app lines left out: names and identifiers are
    // the device's data, not the tool's words.
    static QString WithoutAppLines(const QString& qstrStdOutput);

    // The text without its first and last character (the tool's quotes).
    static QString WithoutEnds(const QString& qstrColumn);
};

#endif
