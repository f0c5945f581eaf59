// The command line of corvina-cli: which command, with which options. Knows
// the commands' names and options and the help text; runs nothing.
#ifndef CORVINA_CCOMMANDLINE_H
#define CORVINA_CCOMMANDLINE_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

enum enumCliCommand {
    eiCliCommand_Help,
    eiCliCommand_Devices,
    eiCliCommand_Backup,
    eiCliCommand_Restore,
    eiCliCommand_List,
    eiCliCommand_Verify,
};

// One command as given.
struct structCliRequest
{
    enumCliCommand eiCommand = eiCliCommand_Help;
    QString qstrDevice; // --device: a UDID or a device name; empty: the only device connected
    QString qstrTo;     // backup --to: the backup root; empty: the one the window uses
    QString qstrSet;    // restore, verify: the set folder as given
    QString qstrDir;    // list: the backup root as given; empty: the one the window uses
    bool bApps = false; // backup --apps
    bool bFull = false; // backup --full
    bool bYes = false;  // restore --yes: no question before the device's data is replaced
    bool bJson = false; // one JSON object per line
};

// The program's exit codes.
enum enumCliExit {
    eiCliExit_Done = 0,
    eiCliExit_Failed = 1,
    eiCliExit_Usage = 2,
    eiCliExit_NoDevice = 3,
};

class CCommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CCommandLine)

public:
    // Parses the arguments that follow the program's name. False on wrong
    // usage, with qstrError saying what is wrong (one translated sentence).
    static bool Parse(const QStringList& listArguments, structCliRequest& request, QString& qstrError);

    // The usage of every command and the exit codes, translated.
    static QString HelpText();
};

#endif
