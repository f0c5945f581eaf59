// Receives a worker thread's two signals the way the progress page does:
// default connections, so they arrive queued on the test's thread in order.
#ifndef CORVINA_THREADSIGNALRECORDER_H
#define CORVINA_THREADSIGNALRECORDER_H

#include "SharedTypes.h"

#include <QList>
#include <QObject>
#include <QThread>

class ThreadSignalRecorder : public QObject
{
    Q_OBJECT

public:
    // One received signal: a progress value of a step, or the result.
    struct Event
    {
        bool bResult = false;
        int iStepOrStatus = 0; // enumStepBackupRestore, or enumFormDeviceBackupRestoreStatus
        int iValue = 0;        // percentage, or 1 for success and 0 for failure
    };

    template <class ThreadT>
    void Watch(ThreadT* pThread)
    {
        connect(pThread, &ThreadT::signal_Progress, this, &ThreadSignalRecorder::slot_Progress);
        connect(pThread, &ThreadT::signal_SwitchStatus_PrepareProgressResult, this,
                &ThreadSignalRecorder::slot_Result);
    }

    // Waits for the thread and its queued signals; false when it does not end
    // within iTimeoutMsecs (a hang guard only).
    bool WaitUntilDone(QThread* pThread, int iTimeoutMsecs = 60000);
    // Forgets earlier signals, starts the thread as the page does and waits.
    bool StartAndWait(QThread* pThread, int iTimeoutMsecs = 60000);
    void Clear();

    QList<Event> listEvents;

    // The progress values of one step, in order.
    QList<int> Progress(enumStepBackupRestore enumStep) const;
    int ResultCount() const;
    // The value of the last signal when it is a Result, else -1.
    int FinalResult() const;

public slots:
    void slot_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress);
    void slot_Result(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis, int iReserve1);
};

#endif
