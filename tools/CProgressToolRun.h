// One run of idevicebackup2, followed pass by pass: each pass waits a short
// while, reads what the tool wrote meanwhile and scans it for error words and
// progress. The caller drives the passes and reports progress; this class
// keeps the reading bounded and judges the run when the tool has ended.
#ifndef CORVINA_CPROGRESSTOOLRUN_H
#define CORVINA_CPROGRESSTOOLRUN_H

#include "CToolOutputScanner.h"

#include <QProcess>
#include <QString>
#include <QStringConverter>
#include <QStringList>

class CToolEndRequest;

class CProgressToolRun
{
public:
    // What one pass saw.
    struct structPass
    {
        QString qstrStdOutput;   // standard output that arrived during the pass
        QString qstrStdError;    // standard error that arrived during the pass
        bool bToolFinished = false;
        CToolOutputScanner::structScan structScanThis;
    };

    explicit CProgressToolRun(const CToolEndRequest* pEndRequest);
    // Ends a tool that is still running (terminate, then kill after a grace).
    ~CProgressToolRun();

    CProgressToolRun(const CProgressToolRun&) = delete;
    CProgressToolRun& operator=(const CProgressToolRun&) = delete;

    // Starts the tool; false when it cannot be started or ending was requested.
    // listArgumentTexts: the texts among the arguments that the tool may echo
    // (folders, UDIDs); they are not read as the tool's words.
    bool Start(const QString& qstrProgram, const QStringList& listArguments, const QStringList& listArgumentTexts);
    // The same, and then writes baInput to the tool's standard input and closes it; the
    // caller's bytes are overwritten with zeros either way (a password is handed over
    // this way: never on a command line, in an environment or in the log). The tool's
    // echo of a hidden entry ("...password: ****") keeps no stars in the pass's texts.
    bool Start(const QString& qstrProgram, const QStringList& listArguments, const QStringList& listArgumentTexts,
               QByteArray& baInput);

    // Waits until the tool ends, iPassMsecs have passed or iPassBytes of output
    // are waiting, then reads and scans what arrived. A request to end is seen
    // within iEndCheckMsecs and ends the tool; the pass then reports it finished.
    structPass NextPass();

    // After the pass that reported the tool finished: true only when no pass
    // showed an error word, some pass showed "Finished", the tool was not ended
    // on request and it exited by itself with code 0.
    bool Succeeded() const;

    // After a run that did not succeed: why, from the tool's lines, the way it
    // ended and the reason of a request to end it.
    structFailureCause FailureCause() const;

    static constexpr int iPassMsecs = 500;
    static constexpr int iEndCheckMsecs = 100;
    // At most one pipe's worth (see CToolStarter) arrives in one read.
    static constexpr qint64 iPassBytes = 1024 * 1024;
    static constexpr int iGatherMsecs = 5;

private:
    bool EndRequested() const;
    void WaitForOutput(int iMsecs);

    const CToolEndRequest* m_pEndRequest;
    QProcess m_QProcessThis;
    CToolOutputScanner m_CToolOutputScanner;
    // Keep a character whose bytes arrive in two reads whole.
    QStringDecoder m_DecoderOutput{QStringDecoder::System};
    QStringDecoder m_DecoderError{QStringDecoder::System};
    bool m_bEnded = false;
    bool m_bErrorWordSeen = false;
    bool m_bFinishedSeen = false;
    bool m_bHiddenInput = false;
};

#endif
