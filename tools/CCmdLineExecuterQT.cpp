#include "CCmdLineExecuterQT.h"

#include "CToolEndRequest.h"
#include "CToolStarter.h"
#include "LogCallSite.h"

#include <QDeadlineTimer>

namespace {

const int iWaitSliceMsecs = 100;

} // namespace

// The rulers set the two texts apart in the log. The stars and circles are the
// GBK codes of U+2605 and U+25CF, written as those bytes.
#define CORVINA_RULER "==================================================================================================================="
#define CORVINA_STARS "\xA1\xEF" "\xA1\xEF" "\xA1\xEF" "\xA1\xEF" "\xA1\xEF" "\xA1\xEF"
#define CORVINA_CIRCLES "\xA1\xF1" "\xA1\xF1" "\xA1\xF1" "\xA1\xF1" "\xA1\xF1" "\xA1\xF1"

CCmdLineExecuterQT::enumWaitResult CCmdLineExecuterQT::WaitForEnd(QProcess& QProcessThis, int iTimeoutMsecs,
                                                                  const CToolEndRequest* pEndRequest)
{
    const QDeadlineTimer deadline = iTimeoutMsecs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                      : QDeadlineTimer(iTimeoutMsecs);
    while (true) {
        if (pEndRequest != nullptr && pEndRequest->IsRequested()) {
            CToolStarter::End(QProcessThis);
            return eiWaitResult_Ended;
        }
        if (QProcessThis.state() == QProcess::NotRunning)
            return eiWaitResult_Finished;
        const qint64 iRemaining = deadline.isForever() ? iWaitSliceMsecs : deadline.remainingTime();
        if (QProcessThis.waitForFinished(static_cast<int>(qMin<qint64>(iRemaining, iWaitSliceMsecs))))
            return eiWaitResult_Finished;
        if (deadline.hasExpired() && QProcessThis.state() != QProcess::NotRunning)
            return eiWaitResult_TimedOut;
    }
}

bool CCmdLineExecuterQT::ExecuteAndGetStdOutput(QString strProgram, QStringList listArguments, QString& strStdOutput,
                                                QString& strStdError, QString& strErrorMessage, int iTimeoutMsecs,
                                                structToolExit* pToolExit, const CToolEndRequest* pEndRequest)
{
    TEXTLOG("Enter");
    QProcess QProcessThis;
    enumWaitResult enumWaitResultThis = eiWaitResult_TimedOut;
    if (CToolStarter::Start(QProcessThis, strProgram, listArguments, pEndRequest))
        enumWaitResultThis = WaitForEnd(QProcessThis, iTimeoutMsecs, pEndRequest);
    else if (pEndRequest != nullptr && pEndRequest->IsRequested())
        enumWaitResultThis = eiWaitResult_Ended;

    if (enumWaitResultThis != eiWaitResult_Finished) {
        strErrorMessage = enumWaitResultThis == eiWaitResult_Ended
                              ? QStringLiteral("QProcessThis was ended on request, return false")
                              : QStringLiteral("QProcessThis.waitForFinished failed, return false");
        TEXTLOG("Exit : %s", LOG8(strErrorMessage));
        if (QProcessThis.state() != QProcess::NotRunning) {
            QProcessThis.kill();
            QProcessThis.waitForFinished(CToolStarter::iEndGraceMsecs);
        }
        return false;
    }

    strStdOutput = QString::fromLocal8Bit(QProcessThis.readAllStandardOutput());
    TEXTLOG("strStdOutput : %s", LOG8(strStdOutput));
    strStdError = QString::fromLocal8Bit(QProcessThis.readAllStandardError());
    TEXTLOG("strStdError : %s", LOG8(strStdError));
    TEXTLOG("strStdOutput : \r\n" CORVINA_RULER CORVINA_STARS "\r\n%s\r\n" CORVINA_RULER, LOG8(strStdOutput));
    TEXTLOG("strStdError : \r\n" CORVINA_RULER CORVINA_CIRCLES "\r\n%s\r\n" CORVINA_RULER, LOG8(strStdError));

    const bool bNormalExit = QProcessThis.exitStatus() == QProcess::NormalExit;
    TEXTLOG("bNormalExit : %d, iExitCode : %d", bNormalExit ? 1 : 0, QProcessThis.exitCode());
    if (pToolExit != nullptr) {
        pToolExit->bNormalExit = bNormalExit;
        pToolExit->iExitCode = QProcessThis.exitCode();
    }
    TEXTLOG("Exit");
    return true;
}
