#include "ThreadSignalRecorder.h"

#include <QDeadlineTimer>
#include <QTest>

#include <algorithm>

bool ThreadSignalRecorder::WaitUntilDone(QThread* pThread, int iTimeoutMsecs)
{
    if (!pThread->wait(QDeadlineTimer(iTimeoutMsecs)))
        return false;
    // The result is the last signal sent, so once it is here all are.
    return QTest::qWaitFor([this] { return ResultCount() > 0; }, 5000);
}

bool ThreadSignalRecorder::StartAndWait(QThread* pThread, int iTimeoutMsecs)
{
    Clear();
    pThread->start(QThread::InheritPriority);
    return WaitUntilDone(pThread, iTimeoutMsecs);
}

void ThreadSignalRecorder::Clear()
{
    listEvents.clear();
}

QList<int> ThreadSignalRecorder::Progress(enumStepBackupRestore enumStep) const
{
    QList<int> listValues;
    for (const Event& event : listEvents) {
        if (!event.bResult && event.iStepOrStatus == enumStep)
            listValues.append(event.iValue);
    }
    return listValues;
}

int ThreadSignalRecorder::ResultCount() const
{
    return int(std::count_if(listEvents.cbegin(), listEvents.cend(), [](const Event& e) { return e.bResult; }));
}

int ThreadSignalRecorder::FinalResult() const
{
    if (listEvents.isEmpty() || !listEvents.last().bResult
        || listEvents.last().iStepOrStatus != eiFormDeviceBackupRestoreStatus_Result)
        return -1;
    return listEvents.last().iValue;
}

void ThreadSignalRecorder::slot_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress)
{
    listEvents.append(Event{false, enumStepBackupRestoreThis, iProgress});
}

void ThreadSignalRecorder::slot_Result(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis,
                                       int iReserve1)
{
    listEvents.append(Event{true, enumFormDeviceBackupRestoreStatusThis, iReserve1});
}
