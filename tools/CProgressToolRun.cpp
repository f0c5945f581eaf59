#include "CProgressToolRun.h"

#include "CToolEndRequest.h"
#include "CToolStarter.h"
#include "LogCallSite.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

CProgressToolRun::CProgressToolRun(const CToolEndRequest* pEndRequest)
    : m_pEndRequest(pEndRequest)
{
}

CProgressToolRun::~CProgressToolRun()
{
    CToolStarter::End(m_QProcessThis);
}

bool CProgressToolRun::Start(const QString& qstrProgram, const QStringList& listArguments,
                             const QStringList& listArgumentTexts)
{
    m_CToolOutputScanner = CToolOutputScanner(listArgumentTexts);
    return CToolStarter::Start(m_QProcessThis, qstrProgram, listArguments, m_pEndRequest);
}

bool CProgressToolRun::Start(const QString& qstrProgram, const QStringList& listArguments,
                             const QStringList& listArgumentTexts, QByteArray& baInput)
{
    const bool bStarted = Start(qstrProgram, listArguments, listArgumentTexts);
    if (bStarted) {
        // The line fits a pipe's buffer, so the write does not wait for the
        // tool to read it.
        m_QProcessThis.write(baInput);
        m_QProcessThis.waitForBytesWritten(iPassMsecs);
        m_QProcessThis.closeWriteChannel();
        m_bHiddenInput = true;
    }
    baInput.fill('\0');
    return bStarted;
}

bool CProgressToolRun::EndRequested() const
{
    return m_pEndRequest != nullptr && m_pEndRequest->IsRequested();
}

void CProgressToolRun::WaitForOutput(int iMsecs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    if (m_QProcessThis.waitForReadyRead(iMsecs)) {
        // Let more output gather before the next read: progress is shown a
        // few times a second anyway, and one read per line would cost the
        // tool more time than its own work when it writes a lot.
        if (m_QProcessThis.state() != QProcess::NotRunning)
            QThread::msleep(iGatherMsecs);
        return;
    }
    // A tool that closed its standard output but still runs makes the wait
    // return at once; sleep on its end instead of spinning.
    const qint64 iLeft = iMsecs - elapsed.elapsed();
    if (iLeft > 0 && m_QProcessThis.state() != QProcess::NotRunning)
        m_QProcessThis.waitForFinished(static_cast<int>(iLeft));
}

CProgressToolRun::structPass CProgressToolRun::NextPass()
{
    const QDeadlineTimer deadline(iPassMsecs);
    while (m_QProcessThis.state() != QProcess::NotRunning) {
        if (EndRequested()) {
            CToolStarter::End(m_QProcessThis);
            m_bEnded = true;
            break;
        }
        // Ending the pass early when much output waits keeps memory bounded.
        if (deadline.hasExpired() || m_QProcessThis.bytesAvailable() >= iPassBytes)
            break;
        WaitForOutput(static_cast<int>(qMin<qint64>(deadline.remainingTime(), iEndCheckMsecs)));
    }

    structPass structPassThis;
    structPassThis.bToolFinished = m_QProcessThis.state() == QProcess::NotRunning;
    structPassThis.qstrStdOutput = m_DecoderOutput.decode(m_QProcessThis.readAllStandardOutput());
    structPassThis.qstrStdError = m_DecoderError.decode(m_QProcessThis.readAllStandardError());
    if (m_bHiddenInput) {
        // The stars a hidden entry echoes tell its length.
        static const QRegularExpression regexStars(QStringLiteral("\\*+"));
        structPassThis.qstrStdError.replace(regexStars, QString());
    }
    structPassThis.structScanThis = m_CToolOutputScanner.ScanRead(
        structPassThis.qstrStdOutput, structPassThis.qstrStdError, structPassThis.bToolFinished);
    m_bErrorWordSeen = m_bErrorWordSeen || structPassThis.structScanThis.bErrorWord;
    m_bFinishedSeen = m_bFinishedSeen || structPassThis.structScanThis.bFinished;
    return structPassThis;
}

bool CProgressToolRun::Succeeded() const
{
    const bool bNormalExit = m_QProcessThis.state() == QProcess::NotRunning
                             && m_QProcessThis.exitStatus() == QProcess::NormalExit
                             && m_QProcessThis.exitCode() == 0;
    TEXTLOG("bEnded : %d, bErrorWordSeen : %d, bFinishedSeen : %d, iExitStatus : %d, iExitCode : %d",
            m_bEnded ? 1 : 0, m_bErrorWordSeen ? 1 : 0, m_bFinishedSeen ? 1 : 0,
            static_cast<int>(m_QProcessThis.exitStatus()), m_QProcessThis.exitCode());
    return bNormalExit && !m_bEnded && !m_bErrorWordSeen && m_bFinishedSeen;
}

structFailureCause CProgressToolRun::FailureCause() const
{
    structToolExit structToolExitThis;
    structToolExitThis.bNormalExit = m_QProcessThis.exitStatus() == QProcess::NormalExit;
    structToolExitThis.iExitCode = m_QProcessThis.exitCode();
    const enumFailureCause eiEndReason =
        m_bEnded && m_pEndRequest != nullptr ? m_pEndRequest->Reason() : eiFailureCause_None;
    return m_CToolOutputScanner.Classifier().Cause(structToolExitThis, eiEndReason);
}
