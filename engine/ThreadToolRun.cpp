#include "ThreadToolRun.h"

#include "LogCallSite.h"

#include <QMutexLocker>

ThreadToolRun::ThreadToolRun()
    : QThread(nullptr)
{
}

void ThreadToolRun::RequestEnd(enumFailureCause eiReason)
{
    QMutexLocker locker(&m_QMutexThis);
    TEXTLOG("Enter : %s, bTakingRequests : %d", FailureCauseName(eiReason), m_bTakingRequests ? 1 : 0);
    if (m_bTakingRequests)
        m_CToolEndRequest.Request(eiReason);
}

void ThreadToolRun::EndRunningTool()
{
    RequestEnd(eiFailureCause_Disconnected);
}

void ThreadToolRun::CancelRunningTool()
{
    RequestEnd(eiFailureCause_Cancelled);
}

structFailureCause ThreadToolRun::FailureCause() const
{
    QMutexLocker locker(&m_QMutexThis);
    return m_structFailureCause;
}

structFailureCause ThreadToolRun::AppsFailureCause() const
{
    QMutexLocker locker(&m_QMutexThis);
    return m_structAppsFailureCause;
}

void ThreadToolRun::StartRun()
{
    {
        QMutexLocker locker(&m_QMutexThis);
        if (isRunning())
            return;
        m_bTakingRequests = true;
    }
    start(QThread::InheritPriority);
}

void ThreadToolRun::BeginRun()
{
    QMutexLocker locker(&m_QMutexThis);
    m_bTakingRequests = true;
    m_structFailureCause = structFailureCause();
    m_structAppsFailureCause = structFailureCause();
    m_bAppFailed = false;
}

void ThreadToolRun::SetFailureCause(const structFailureCause& structFailureCauseThis)
{
    QMutexLocker locker(&m_QMutexThis);
    if (m_structFailureCause.eiCause == eiFailureCause_None)
        m_structFailureCause = structFailureCauseThis;
}

void ThreadToolRun::NoteAppFailure(const structFailureCause& structFailureCauseThis)
{
    QMutexLocker locker(&m_QMutexThis);
    TEXTLOG("app failure cause : %s, %s", FailureCauseName(structFailureCauseThis.eiCause),
            LOG8(structFailureCauseThis.qstrDetail));
    if (!m_bAppFailed) {
        m_structAppsFailureCause = structFailureCauseThis;
    } else if (m_structAppsFailureCause.eiCause != structFailureCauseThis.eiCause) {
        m_structAppsFailureCause = structFailureCause();
    } else if (m_structAppsFailureCause.qstrDetail != structFailureCauseThis.qstrDetail) {
        m_structAppsFailureCause.qstrDetail.clear();
    }
    m_bAppFailed = true;
}

void ThreadToolRun::EndRun(bool bSucceeded)
{
    QMutexLocker locker(&m_QMutexThis);
    m_bTakingRequests = false;
    m_CToolEndRequest.Clear();
    if (bSucceeded)
        m_structFailureCause = structFailureCause();
    else if (m_structFailureCause.eiCause == eiFailureCause_None)
        m_structFailureCause.eiCause = eiFailureCause_Unknown;
    if (!bSucceeded)
        TEXTLOG("failure cause : %s, %s", FailureCauseName(m_structFailureCause.eiCause),
                LOG8(m_structFailureCause.qstrDetail));
}
