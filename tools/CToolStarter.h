// Finding and starting the two command-line tools, and ending one that runs.
// Every tool run of the system goes through here, so that the tools are found
// the same way and run with the same environment everywhere.
#ifndef CORVINA_CTOOLSTARTER_H
#define CORVINA_CTOOLSTARTER_H

#include "CFailureCause.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class CToolEndRequest;

class CToolStarter
{
public:
    // Base names of the tools, without any executable suffix.
    static QString BackupToolName();
    static QString InstallerToolName();

    // The program to run for a tool. On Windows "./NAME.exe", resolved against
    // the current directory, which start-up makes the program folder. Elsewhere
    // NAME in the program folder (CToolSettings) when it is there, else NAME
    // on the search path; when neither exists the program-folder path, which
    // then fails to start.
    static QString ProgramPath(const QString& qstrToolName);

    // The environment a tool runs with: the process's own and, on Linux, line
    // buffered standard output when coreutils' libstdbuf is installed (tools
    // block-buffer a pipe, so progress would arrive late or only at exit).
    static QProcessEnvironment ToolEnvironment();

    // The installed libstdbuf, or an empty text.
    static QString LineBufferLibrary();

    // `environment` with `qstrLibrary` preloaded after any libraries it already
    // preloads, and standard output line buffered. Unchanged for an empty library.
    static QProcessEnvironment WithLineBuffering(QProcessEnvironment environment, const QString& qstrLibrary);

    // Starts the program with the arguments, each passed as one argument, both
    // output channels captured separately, nothing written to its input. The
    // tool ends with the calling thread at the latest (and so with the
    // program, however it ends): start and end a tool on one thread. False
    // when ending was requested already or the program could not be started.
    static bool Start(QProcess& QProcessThis, const QString& qstrProgram, const QStringList& listArguments,
                      const CToolEndRequest* pEndRequest);

    // Why a tool did not start: the reason of a request to end, else missing
    // (detail: qstrToolName).
    static structFailureCause StartFailureCause(const QString& qstrToolName, const CToolEndRequest* pEndRequest);

    // Ends a running tool: asks it to terminate (the tools then abort cleanly)
    // and kills it when it is still running after iEndGraceMsecs.
    static void End(QProcess& QProcessThis);

    static constexpr int iEndGraceMsecs = 3000;
    static constexpr int iPipeBytes = 1024 * 1024;
};

#endif
