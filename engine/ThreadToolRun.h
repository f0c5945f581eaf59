// What the backup and restore threads share: a worker thread that runs the
// tools one after another, can be asked from the GUI thread to end the tool
// it is running, and keeps why its latest run failed for the page to explain.
#ifndef CORVINA_THREADTOOLRUN_H
#define CORVINA_THREADTOOLRUN_H

#include "CFailureCause.h"
#include "CToolEndRequest.h"

#include <QMutex>
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

protected:
    // Called by run() first: no causes, requests accepted.
    void BeginRun();
    // Why the failing step failed; the first call of a run stands.
    void SetFailureCause(const structFailureCause& structFailureCauseThis);
    // One failed app, for AppsFailureCause().
    void NoteAppFailure(const structFailureCause& structFailureCauseThis);
    // Called by run() right before its result signal: requests are no longer
    // taken (one that came is cleared), and the cause of a failure is settled
    // and logged.
    void EndRun(bool bSucceeded);

    CToolEndRequest m_CToolEndRequest;

private:
    void RequestEnd(enumFailureCause eiReason);

    mutable QMutex m_QMutexThis;
    bool m_bTakingRequests = false;
    structFailureCause m_structFailureCause;
    structFailureCause m_structAppsFailureCause;
    bool m_bAppFailed = false;
};

#endif
