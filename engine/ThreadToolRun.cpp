#include "ThreadToolRun.h"

#include "CProgressToolRun.h"
#include "CToolStarter.h"
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

int ThreadToolRun::AppFailedCount() const
{
    QMutexLocker locker(&m_QMutexThis);
    return m_iAppFailedCount;
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
    m_iAppFailedCount = 0;
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
    ++m_iAppFailedCount;
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

void ThreadToolRun::ReportPersonalDataProgress(int iToolProgress)
{
    Q_UNUSED(iToolProgress);
}

structFailureCause ThreadToolRun::PersonalDataFailureCause(const structFailureCause& structToolCause) const
{
    return structToolCause;
}

bool ThreadToolRun::RunPersonalDataTool(const QStringList& listArguments, const QStringList& listArgumentTexts,
                                        bool bTracePasses, QByteArray* pInput)
{
    CProgressToolRun CProgressToolRunThis(&m_CToolEndRequest);
    const QString qstrProgram = CToolStarter::ProgramPath(CToolStarter::BackupToolName());
    const bool bStarted = pInput != nullptr
                              ? CProgressToolRunThis.Start(qstrProgram, listArguments, listArgumentTexts, *pInput)
                              : CProgressToolRunThis.Start(qstrProgram, listArguments, listArgumentTexts);
    if (!bStarted) {
        TEXTLOG("Exit : the tool could not be started");
        SetFailureCause(CToolStarter::StartFailureCause(CToolStarter::BackupToolName(), &m_CToolEndRequest));
        return false;
    }
    if (bTracePasses)
        TEXTLOG("QProcessThis.start After");
    while (true) {
        if (bTracePasses)
            TEXTLOG("QProcessThis.waitForFinished Before...");
        const CProgressToolRun::structPass structPassThis = CProgressToolRunThis.NextPass();
        if (bTracePasses)
            TEXTLOG("QProcessThis.waitForFinished After...");
        TEXTLOG("strStdOutput : %s", LOG8(structPassThis.qstrStdOutput));
        TEXTLOG("strStdError : %s", LOG8(structPassThis.qstrStdError));
        const CToolOutputScanner::structScan& structScanThis = structPassThis.structScanThis;
        if (structScanThis.bErrorWord) {
            TEXTLOG("Exit : error word");
            SetFailureCause(CProgressToolRunThis.FailureCause());
            return false;
        }
        if (structScanThis.bFinished) {
            if (bTracePasses) {
                TEXTLOG("qstrProgress : %s", LOG8(structScanThis.qstrProgress));
                TEXTLOG("iProgress : %d", structScanThis.iProgress);
            }
            if (structScanThis.iProgress >= 1 && structScanThis.iProgress <= 100)
                ReportPersonalDataProgress(structScanThis.iProgress);
        }
        if (structPassThis.bToolFinished) {
            if (bTracePasses)
                TEXTLOG("break");
            const bool bSucceeded = CProgressToolRunThis.Succeeded();
            if (!bSucceeded)
                SetFailureCause(PersonalDataFailureCause(CProgressToolRunThis.FailureCause()));
            TEXTLOG("%s", bSucceeded ? "Exit" : "Exit : failed");
            return bSucceeded;
        }
        if (bTracePasses && !structScanThis.bFinished)
            TEXTLOG("continue...");
    }
}
