// Runs one command-line program to its end, synchronously in the calling
// (worker) thread, and hands back what it wrote to its two output channels.
#ifndef CORVINA_CCMDLINEEXECUTERQT_H
#define CORVINA_CCMDLINEEXECUTERQT_H

#include "CFailureClassifier.h"

#include <QProcess>
#include <QString>
#include <QStringList>

class CToolEndRequest;

class CCmdLineExecuterQT
{
public:
    // Runs strProgram with listArguments and waits at most iTimeoutMsecs (-1:
    // without limit) for it to end. True when it ran and ended in time, whatever
    // its exit code; then both output texts are replaced and, when asked for,
    // *pToolExit tells how it ended. False when it could not be started, did not
    // end in time (it is killed) or was ended through *pEndRequest; then only
    // strErrorMessage is replaced.
    static bool ExecuteAndGetStdOutput(QString strProgram, QStringList listArguments, QString& strStdOutput,
                                       QString& strStdError, QString& strErrorMessage, int iTimeoutMsecs,
                                       structToolExit* pToolExit = nullptr,
                                       const CToolEndRequest* pEndRequest = nullptr);

private:
    enum enumWaitResult { eiWaitResult_Finished, eiWaitResult_TimedOut, eiWaitResult_Ended };

    // Waits in short slices, so that a request to end is seen within one slice.
    static enumWaitResult WaitForEnd(QProcess& QProcessThis, int iTimeoutMsecs, const CToolEndRequest* pEndRequest);
};

#endif
