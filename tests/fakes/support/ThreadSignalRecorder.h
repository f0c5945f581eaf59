// Receives a worker thread's two signals the way the progress page does:
// connected with the default connection type, so they arrive queued on the
// test's thread, in the order the worker sent them.
#ifndef CORVINA_THREADSIGNALRECORDER_H
#define CORVINA_THREADSIGNALRECORDER_H

#include "SharedTypes.h"

#include <QList>
#include <QObject>
#include <QPair>
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

    // Waits for the thread to end and for its queued signals to arrive.
    // False when it does not end within iTimeoutMsecs (a hang guard only).
    bool WaitUntilDone(QThread* pThread, int iTimeoutMsecs = 60000);

    // Forgets earlier signals, starts the thread as the page does and waits
    // until it is done.
    bool StartAndWait(QThread* pThread, int iTimeoutMsecs = 60000);

    void Clear();

    QList<Event> listEvents;

    // The progress values of one step, in order.
    QList<int> Progress(enumStepBackupRestore enumStep) const;
    // The number of result signals received.
    int ResultCount() const;
    // The value of the last signal when it is a result with the Result
    // status, else -1.
    int FinalResult() const;

public slots:
    void slot_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress);
    void slot_Result(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis, int iReserve1);
};

#endif
