#include "COperation.h"

#include "CBackup.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"

#include <QDateTime>
#include <QFileInfo>
#include <QVersionNumber>

COperation::COperation(const structOperationRequest& request, QObject* parent)
    : QObject(parent)
    , m_request(request)
    , m_qstrSet(request.bRestore ? request.qstrSet : QString())
{
    RegisterMetaTypes();
    m_timerDeparted.setSingleShot(true);
    m_timerDeparted.setInterval(iDepartedGraceMsecs);
    connect(&m_timerDeparted, &QTimer::timeout, this, &COperation::EndDepartedDevice);
}

COperation::~COperation()
{
    m_timerDeparted.stop();
    if (m_pThread == nullptr)
        return;
    disconnect(m_pThread, nullptr, this, nullptr);
    if (m_pThread->isRunning()) {
        TEXTLOG("ending the running operation of a closing owner : %s", LOG8(m_request.qstrDeviceUDID));
        m_pThread->EndRunningTool();
        if (!m_pThread->wait(QDeadlineTimer(iEndWaitMsecs))) {
            // Never destroyed running: it frees itself once it has ended.
            TEXTLOG("the thread did not end; it is left to free itself");
            connect(m_pThread, &QThread::finished, m_pThread, &QObject::deleteLater);
            return;
        }
    }
    delete m_pThread;
}

void COperation::RegisterMetaTypes()
{
    RegisterSharedMetaTypes();
    qRegisterMetaType<structOperationProgress>("structOperationProgress");
    qRegisterMetaType<structOperationResult>("structOperationResult");
}

const structOperationRequest& COperation::Request() const
{
    return m_request;
}

QString COperation::SetFolder() const
{
    return m_qstrSet;
}

bool COperation::IsRunning() const
{
    return m_pThread != nullptr && m_pThread->isRunning();
}

bool COperation::Wait(QDeadlineTimer deadline)
{
    return m_pThread == nullptr || m_pThread->wait(deadline);
}

bool COperation::Start()
{
    TEXTLOG("Enter : %s of %s", m_request.bRestore ? "restore" : "backup", LOG8(m_request.qstrDeviceUDID));
    if (m_bStarted) {
        TEXTLOG("Exit : started before");
        return false;
    }
    m_bStarted = true;
    return Begin();
}

bool COperation::Begin()
{
    if (!Lock())
        return false;
    if (!m_request.bRestore) {
        m_qstrSet = FreeSetFolder(m_request.qstrBackupRoot, QDateTime::currentDateTime(), m_request.qstrDeviceName);
        CStaticPubFunc::CreateMultiLevelDirectory(m_qstrSet);
    }
    CreateThread();
    RunThread();
    // A set without its marker can never be listed or restored: its backup
    // must not end as a success (see Result()). The result comes queued, so
    // it is judged after the marker was written even if the thread fails at once.
    if (!m_request.bRestore)
        WriteMarker();
    TEXTLOG("Exit : %s", LOG8(m_qstrSet));
    return true;
}

bool COperation::Retry()
{
    TEXTLOG("Enter");
    if (!m_bStarted || m_bResultPending) {
        TEXTLOG("Exit : no ended operation to retry");
        return false;
    }
    // A start that found the device busy begins now.
    if (m_pThread == nullptr)
        return Begin();
    // The result has come: the thread is on its last instruction.
    if (m_pThread->isRunning() && !m_pThread->wait(QDeadlineTimer(iEndWaitMsecs))) {
        TEXTLOG("Exit : the thread has not ended");
        return false;
    }
    if (!Lock())
        return false;
    // A marker that could not be written is tried again with the set folder.
    if (!m_request.bRestore && !m_bMarkerWritten) {
        CStaticPubFunc::CreateMultiLevelDirectory(m_qstrSet);
        WriteMarker();
    }
    RunThread();
    TEXTLOG("Exit");
    return true;
}

bool COperation::Lock()
{
    if (m_request.qstrLockFolder.isEmpty())
        return true;
    switch (m_CDeviceLock.TryLock(m_request.qstrLockFolder, m_request.qstrDeviceUDID)) {
    case CDeviceLock::eiLockResult_Taken:
        return true;
    case CDeviceLock::eiLockResult_Unavailable:
        // A lock folder that cannot be written must not keep the user from
        // backing up: only the guard against a second operation is lost.
        TEXTLOG("going on without the device lock");
        return true;
    case CDeviceLock::eiLockResult_Busy:
        break;
    }
    TEXTLOG("Exit : the device is busy with another operation : %s", LOG8(m_request.qstrDeviceUDID));
    FinishWithoutRun({eiFailureCause_DeviceBusy, QString()});
    return false;
}

void COperation::FinishWithoutRun(const structFailureCause& structCause)
{
    structOperationResult result;
    result.structCause = structCause;
    result.qstrSet = m_qstrSet;
    result.bMarkerWritten = m_request.bRestore || m_bMarkerWritten;
    QMetaObject::invokeMethod(
        this, [this, result]() { emit signal_Finished(result); }, Qt::QueuedConnection);
}

void COperation::CreateThread()
{
    if (m_request.bRestore) {
        m_pRestore = new ThreadDeviceRestore;
        CBackup::ReadBackupFlag(m_qstrSet, m_pRestore->qstrDataFolderName, m_pRestore->qstrIPAFolderName);
        m_pRestore->qstrDeviceUDID = m_request.qstrDeviceUDID;
        m_pRestore->qstrBackupDirectory = m_qstrSet;
        m_pRestore->bRestoreApps = m_request.bApps;
        m_pRestore->bRestorePersonalData = m_request.bPersonalData;
        connect(m_pRestore, &ThreadDeviceRestore::signal_SwitchStatus_PrepareProgressResult, this,
                &COperation::slot_ThreadResult, Qt::QueuedConnection);
        connect(m_pRestore, &ThreadDeviceRestore::signal_Progress, this, &COperation::slot_ThreadProgress,
                Qt::QueuedConnection);
        m_pThread = m_pRestore;
        return;
    }
    m_pBackup = new ThreadDeviceBackup;
    m_pBackup->qstrDeviceUDID = m_request.qstrDeviceUDID;
    m_pBackup->qstrBackupDirectory = m_qstrSet;
    m_pBackup->bBackupApps = m_request.bApps;
    m_pBackup->bBackupPersonalData = m_request.bPersonalData;
    m_pBackup->bCopyOnlyChanges = !m_request.bFull;
    m_pBackup->eiDeviceEncryption = m_request.iWillEncrypt < 0 ? eiDeviceEncryption_Unknown
                                    : m_request.iWillEncrypt == 0 ? eiDeviceEncryption_Off
                                                                  : eiDeviceEncryption_On;
    connect(m_pBackup, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, this,
            &COperation::slot_ThreadResult, Qt::QueuedConnection);
    connect(m_pBackup, &ThreadDeviceBackup::signal_Progress, this, &COperation::slot_ThreadProgress,
            Qt::QueuedConnection);
    m_pThread = m_pBackup;
}

void COperation::SetPassword(const QString& qstrPassword)
{
    m_request.qstrPassword = qstrPassword;
}

QString COperation::FreeSetFolder(const QString& qstrRoot, const QDateTime& started, const QString& qstrDeviceName)
{
    // Names carry the second: a backup started in the same second as another
    // of a device of that name (the next one of a script, a namesake device
    // in another window) takes the next free second rather than its folder.
    QString qstrSet;
    for (int i = 0; i < iSetNameTries; ++i) {
        qstrSet = CBackup::JoinPath(qstrRoot, CBackup::SetFolderName(started.addSecs(i), qstrDeviceName));
        if (!QFileInfo::exists(qstrSet))
            break;
    }
    return qstrSet;
}

bool COperation::AsksPasscodeForBackup(const QString& qstrDeviceVersion)
{
    return QVersionNumber::fromString(qstrDeviceVersion) >= QVersionNumber(16, 1);
}

bool COperation::PasswordPassable(const QString& qstrPassword)
{
    if (qstrPassword.isEmpty() || qstrPassword.size() > 255)
        return false;
    for (const QChar character : qstrPassword) {
        if (character.unicode() < 0x20 || character.unicode() > 0x7e)
            return false;
    }
    return true;
}

void COperation::RunThread()
{
    m_bResultPending = true;
    m_iFirstPercent = -1;
    m_iAppsPercent = 0;
    if (m_pRestore != nullptr)
        m_pRestore->qstrPassword = m_request.qstrPassword;
    m_pThread->StartRun();
}

void COperation::WriteMarker()
{
    m_bMarkerWritten = CBackup::WriteBackupFlag(m_qstrSet, m_request.qstrDeviceUDID);
    TEXTLOG("m_bMarkerWritten : %d", m_bMarkerWritten ? 1 : 0);
}

void COperation::Cancel()
{
    TEXTLOG("Enter");
    if (m_pThread != nullptr && m_bResultPending)
        m_pThread->CancelRunningTool();
}

void COperation::DeviceDeparted()
{
    if (!m_bResultPending || m_timerDeparted.isActive())
        return;
    // Nothing can go on with the device gone: a tool left alone would wait or
    // spin for ever. A restore's own reboot also takes the device away, just
    // before its tool ends by itself, so the tool gets a moment first.
    TEXTLOG("the device of the running operation departed : %s", LOG8(m_request.qstrDeviceUDID));
    m_timerDeparted.start();
}

void COperation::DeviceReturned()
{
    m_timerDeparted.stop();
}

void COperation::EndDepartedDevice()
{
    if (!m_bResultPending || !IsRunning())
        return;
    TEXTLOG("ending the operation of the departed device : %s", LOG8(m_request.qstrDeviceUDID));
    m_pThread->EndRunningTool();
}

void COperation::Stop()
{
    TEXTLOG("Enter");
    if (!IsRunning()) {
        QMetaObject::invokeMethod(this, &COperation::signal_Stopped, Qt::QueuedConnection);
        return;
    }
    // Connected before the tool is ended, so that a thread ending right now
    // is not missed; a second signal only repeats the news.
    connect(m_pThread, &QThread::finished, this, &COperation::signal_Stopped, Qt::UniqueConnection);
    m_timerDeparted.stop();
    m_pThread->EndRunningTool();
    if (m_pThread->isFinished())
        QMetaObject::invokeMethod(this, &COperation::signal_Stopped, Qt::QueuedConnection);
}

int COperation::PersonalDataPercent(enumStepBackupRestore eiStep, int iPercent) const
{
    int iOwn = iPercent;
    if (!m_request.bRestore) {
        // A backup's personal data comes first, in the first half when apps follow.
        if (eiStep == eiStepBackupRestore_Apps)
            iOwn = 100;
        else if (m_request.bApps)
            iOwn = iPercent * 2;
    } else {
        // A restore's apps come first; the personal data adds its half to their last percentage.
        if (eiStep == eiStepBackupRestore_Apps)
            iOwn = 0;
        else if (m_request.bApps)
            iOwn = (iPercent - m_iAppsPercent) * 2;
    }
    return qBound(0, iOwn, 100);
}

void COperation::slot_ThreadProgress(enumStepBackupRestore eiStep, int iPercent)
{
    if (!m_bResultPending)
        return;
    structOperationProgress progress;
    progress.eiStep = eiStep;
    progress.iPercent = qBound(0, iPercent, 100);
    // A seeded set takes from the device only what changed, which its data
    // in use does not tell: such a backup shows no bytes.
    const bool bSeeded = m_pBackup != nullptr && m_pBackup->SeedRoad() != eiSeedRoad_Full;
    if (m_request.bPersonalData && m_request.iExpectedBytes > 0 && !bSeeded && eiStep != eiStepBackupRestore_Seed) {
        progress.iBytesExpected = m_request.iExpectedBytes;
        progress.iBytesDone = m_request.iExpectedBytes * PersonalDataPercent(eiStep, iPercent) / 100;
    }
    if (eiStep == eiStepBackupRestore_Apps)
        m_iAppsPercent = iPercent;
    // The time before the first percentage (a device waiting for its passcode,
    // the set being seeded) says nothing about the speed: the estimate starts from there.
    if (eiStep == eiStepBackupRestore_Seed) {
        emit signal_Progress(progress);
        return;
    }
    if (m_iFirstPercent < 0) {
        m_iFirstPercent = progress.iPercent;
        m_timerProgress.start();
    } else if (progress.iPercent >= 100) {
        progress.iMsecsLeft = 0;
    } else if (progress.iPercent - m_iFirstPercent >= 2) {
        progress.iMsecsLeft =
            m_timerProgress.elapsed() * (100 - progress.iPercent) / (progress.iPercent - m_iFirstPercent);
    }
    emit signal_Progress(progress);
}

structOperationResult COperation::Result(bool bThreadSucceeded) const
{
    structOperationResult result;
    result.qstrSet = m_qstrSet;
    // A backup whose marker could not be written left a set that can never
    // be listed or restored.
    const bool bMarkerMissing = !m_request.bRestore && !m_bMarkerWritten;
    result.bMarkerWritten = !bMarkerMissing;
    result.structCause = m_pThread->FailureCause();
    if (bMarkerMissing && result.structCause.eiCause == eiFailureCause_None)
        result.structCause.eiCause = eiFailureCause_FolderNotWritable;
    result.bSucceeded = bThreadSucceeded && !bMarkerMissing;
    result.iAppFailedCount = m_pThread->AppFailedCount();
    result.structAppsCause = m_pThread->AppsFailureCause();
    if (m_pRestore != nullptr)
        result.bSetHoldsNoArchives = m_pRestore->SetHoldsNoArchives();
    if (m_pBackup != nullptr) {
        result.structSetCheckThis = m_pBackup->SetCheck();
        result.eiSeedRoad = m_pBackup->SeedRoad();
        result.structTransferThis = m_pBackup->Transfer();
    }
    return result;
}

void COperation::slot_ThreadResult(enumFormDeviceBackupRestoreStatus eiStatus, int iSucceeded)
{
    if (!m_bResultPending || eiStatus != eiFormDeviceBackupRestoreStatus_Result)
        return;
    m_bResultPending = false;
    m_timerDeparted.stop();
    const structOperationResult result = Result(iSucceeded == 1);
    // The thread's tools have ended: the device is free for the next operation.
    m_CDeviceLock.Unlock();
    TEXTLOG("bSucceeded : %d, cause : %s", result.bSucceeded ? 1 : 0, FailureCauseName(result.structCause.eiCause));
    emit signal_Finished(result);
}
