// What the backup and restore threads share: a worker thread that runs the
// tools one after another, can be asked from the GUI thread to end the tool
// it is running, and keeps why its latest run failed for the page to explain.
#ifndef CORVINA_THREADTOOLRUN_H
#define CORVINA_THREADTOOLRUN_H

#include "CFailureCause.h"
#include "CToolEndRequest.h"

#include <QMutex>
#include <QStringList>
#include <QThread>

class ThreadToolRun : public QThread
{
public:
    ThreadToolRun();

    // Starts a run with QThread::InheritPriority. Requests to end are taken
    // from here on, also those made before run() has begun; a thread started
    // with start() alone takes them once run() has begun.
    void StartRun();

    // For a device that departed: terminates the running tool and kills it
    // after a short grace. The step whose tool was ended fails (cause
    // Disconnected unless the tool already told a more specific one), no
    // further tool is started, and the result signal still comes, last.
    // Any thread, any time: outside a run (before it began, after its result
    // was decided) it does nothing, so it never touches the next run.
    void EndRunningTool();

    // The user's Cancel: ends the running tool the same way; the run fails
    // with cause Cancelled. Any thread, any time, as EndRunningTool().
    void CancelRunningTool();

    // Why the latest run failed; None after a success. Set before the result
    // signal is emitted: read it after that signal arrived.
    structFailureCause FailureCause() const;

    // The cause that every failed app of the latest run shares (its detail
    // only when they share that too); None when no app failed or their causes
    // differ. Read like FailureCause().
    structFailureCause AppsFailureCause() const;

    // How many apps of the latest run failed (not archived, not installed).
    // Each run counts its own, so a replaced run still ending never changes
    // another's count. Read like FailureCause().
    int AppFailedCount() const;

protected:
    // Called by run() first: no causes, requests accepted.
    void BeginRun();
    // Why the failing step failed; the first call of a run stands.
    void SetFailureCause(const structFailureCause& structFailureCauseThis);
    // One failed app, for AppsFailureCause() and AppFailedCount().
    void NoteAppFailure(const structFailureCause& structFailureCauseThis);
    // Called by run() right before its result signal: requests are no longer
    // taken (one that came is cleared), and the cause of a failure is settled
    // and logged.
    void EndRun(bool bSucceeded);

    // The personal-data step of both threads: runs idevicebackup2 with
    // listArguments (listArgumentTexts: those it may echo) and follows it
    // pass by pass. Each percentage from 1 to 100 that the tool prints goes to
    // ReportPersonalDataProgress. The step fails at once on an error word in
    // either channel, and when the tool cannot be started or is ended on
    // request; otherwise it succeeds once the tool has ended by itself with
    // code 0 after printing some "Finished". On failure the cause is set.
    // bTracePasses adds a trace line around each pass.
    // pInput: bytes for the tool's standard input (then closed), zeroed once handed on.
    bool RunPersonalDataTool(const QStringList& listArguments, const QStringList& listArgumentTexts,
                             bool bTracePasses, QByteArray* pInput = nullptr);
    // One percentage of the tool's own (1 to 100): the thread scales it into
    // its run and emits it. Called on the worker thread; the base reports nothing.
    virtual void ReportPersonalDataProgress(int iToolProgress);
    // The cause of a personal-data step that ended without success, from the
    // tool's; the thread may know better from its files.
    virtual structFailureCause PersonalDataFailureCause(const structFailureCause& structToolCause) const;

    CToolEndRequest m_CToolEndRequest;

private:
    void RequestEnd(enumFailureCause eiReason);

    mutable QMutex m_QMutexThis;
    bool m_bTakingRequests = false;
    structFailureCause m_structFailureCause;
    structFailureCause m_structAppsFailureCause;
    bool m_bAppFailed = false;
    int m_iAppFailedCount = 0;
};

#endif
