#include "CCliSession.h"

#include "AppGlobals.h"
#include "CBackup.h"
#include "CBackupSetCheck.h"
#include "CCauseText.h"
#include "CConsoleReport.h"
#include "CDeviceMonitor.h"
#include "COperation.h"
#include "CProgramFolder.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"
#include "Terminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {

const QString kDirectoryKey = QStringLiteral("/Config/BackupDirectory");

// "2026-12-07 02:37:34" out of a set folder's name; empty for another name.
QString SetDate(const QString& qstrFolderName)
{
    const QStringList listPieces = qstrFolderName.split(QStringLiteral("_@_@_"));
    if (listPieces.size() < 2)
        return QString();
    QString qstrTime = listPieces.at(0);
    qstrTime.replace(QStringLiteral("__"), QStringLiteral(" "));
    qstrTime.replace(QLatin1Char('_'), QLatin1Char(':'));
    return qstrTime;
}

} // namespace

CCliSession::CCliSession(const structCliRequest& request, CConsoleReport& report, QObject* parent)
    : QObject(parent)
    , m_request(request)
    , m_report(report)
{
}

CCliSession::~CCliSession()
{
    EchoBack();
    delete m_pOperation;
    if (m_pMonitor != nullptr)
        m_pMonitor->Stop();
}

QString CCliSession::ConfiguredBackupRoot()
{
    const QSettings settings(CProgramFolder::SettingsFilePath(g_qstrAppDirPath), QSettings::IniFormat);
    const QString qstrDirectory = settings.value(kDirectoryKey).toString();
    if (!qstrDirectory.isEmpty())
        return qstrDirectory;
    return QDir(QDir::homePath()).filePath(QStringLiteral("PeloraBackup"));
}

void CCliSession::Start()
{
    TEXTLOG("command : %d", static_cast<int>(m_request.eiCommand));
    switch (m_request.eiCommand) {
    case eiCliCommand_List:
        Finish(ListSets());
        return;
    case eiCliCommand_Verify:
        Finish(VerifySet());
        return;
    case eiCliCommand_Restore:
        // A set that cannot be restored is refused before any device is looked for.
        m_qstrSet = ResolvedSet();
        if (m_qstrSet.isEmpty()) {
            Finish(eiCliExit_Failed);
            return;
        }
        WaitForDevices();
        return;
    case eiCliCommand_Devices:
    case eiCliCommand_Backup:
        WaitForDevices();
        return;
    case eiCliCommand_Help:
        break;
    }
    Finish(eiCliExit_Done);
}

void CCliSession::Finish(int iExitCode)
{
    if (m_bDone)
        return;
    m_bDone = true;
    TEXTLOG("exit code : %d", iExitCode);
    QMetaObject::invokeMethod(this, [this, iExitCode]() { emit signal_Done(iExitCode); }, Qt::QueuedConnection);
}

void CCliSession::FailWith(const structFailureCause& structCause)
{
    m_report.Error(CCauseText::CauseText(structCause));
    Finish(eiCliExit_Failed);
}

int CCliSession::ListSets()
{
    const QString qstrRoot = QDir(m_request.qstrDir.isEmpty() ? ConfiguredBackupRoot() : m_request.qstrDir).absolutePath();
    // The usual root is made by the first backup: until then it holds no set.
    if (!QFileInfo(qstrRoot).isDir() && !m_request.qstrDir.isEmpty()) {
        m_report.Error(tr("There is no folder %1.").arg(qstrRoot));
        return eiCliExit_Failed;
    }
    QList<structListedSet> listSets;
    for (const QString& qstrName : CBackup::QStrGetAllBackupDirectory(qstrRoot)) {
        structListedSet set;
        set.qstrDate = SetDate(qstrName);
        if (set.qstrDate.isEmpty())
            continue;
        set.qstrFolder = QDir::toNativeSeparators(CBackup::JoinPath(qstrRoot, qstrName));
        QString qstrIPAFolderName;
        CBackup::ReadBackupFlag(set.qstrFolder, set.qstrUDID, qstrIPAFolderName);
        // A marker that names no folder inside the set leaves nothing to check.
        if (CStaticPubFunc::IsPlainFileName(set.qstrUDID))
            set.structCheck = CBackupSetCheck::Check(CBackup::JoinPath(set.qstrFolder, set.qstrUDID), false);
        set.qstrDevice = set.structCheck.qstrDeviceName.isEmpty() ? qstrName.section(QStringLiteral("_@_@_"), 1)
                                                                  : set.structCheck.qstrDeviceName;
        listSets.append(set);
    }
    m_report.Sets(listSets);
    return eiCliExit_Done;
}

int CCliSession::VerifySet()
{
    const QString qstrSet = ResolvedSet();
    if (qstrSet.isEmpty())
        return eiCliExit_Failed;
    structSetCheck check;
    if (CStaticPubFunc::IsPlainFileName(m_qstrSetUDID))
        check = CBackupSetCheck::Check(CBackup::JoinPath(qstrSet, m_qstrSetUDID), true);
    else
        check.qstrProblem = QStringLiteral("the marker names no data folder");
    TEXTLOG("verified %s : %s", LOG8(qstrSet), LOG8(check.qstrProblem));
    m_report.Verified(qstrSet, check);
    if (check.eiState == eiSetState_Complete)
        return eiCliExit_Done;
    m_report.Error(check.eiState == eiSetState_Unfinished
                       ? tr("This backup did not finish and cannot be restored.")
                       : tr("This backup is damaged (files are missing or its manifest cannot be read) and cannot be "
                            "restored."));
    return eiCliExit_Failed;
}

QString CCliSession::ResolvedSet()
{
    // A set named by its folder name alone is looked for in the backup root.
    QFileInfo info(m_request.qstrSet);
    if (!info.exists() && QFileInfo(m_request.qstrSet).isRelative())
        info = QFileInfo(QDir(ConfiguredBackupRoot()).filePath(m_request.qstrSet));
    const QString qstrSet = QDir::toNativeSeparators(info.absoluteFilePath());
    QString qstrUDID;
    QString qstrIPAFolderName;
    if (info.isDir())
        CBackup::ReadBackupFlag(qstrSet, qstrUDID, qstrIPAFolderName);
    if (qstrUDID.isEmpty() || qstrIPAFolderName.isEmpty()) {
        m_report.Error(tr("%1 is not a Corvina backup set: it holds no BackupFlag.ini.").arg(qstrSet));
        return QString();
    }
    m_qstrSetUDID = qstrUDID;
    return qstrSet;
}

void CCliSession::WaitForDevices()
{
    m_pMonitor = new CDeviceMonitor(this);
    connect(m_pMonitor, &CDeviceMonitor::signal_Devices, this, &CCliSession::OnDevices);
    DriverLoadFailure failure;
    if (!m_pMonitor->Start(g_qstrAppDirPath, &failure)) {
        m_report.Error(tr("Corvina's driver library %1 cannot be loaded: %2")
                           .arg(QString::fromStdWString(failure.library), QString::fromLocal8Bit(failure.systemText.c_str())));
        Finish(eiCliExit_Failed);
        return;
    }
    m_sinceStart.start();
    m_sinceList.start();
    m_pSettleTimer = new QTimer(this);
    connect(m_pSettleTimer, &QTimer::timeout, this, &CCliSession::CheckSettled);
    m_pSettleTimer->start(100);
}

void CCliSession::OnDevices(const QList<structDeviceInfo>& listDevices)
{
    m_listDevices = listDevices;
    m_sinceList.restart();
    if (m_pOperation == nullptr)
        return;
    bool bPresent = false;
    for (const structDeviceInfo& device : listDevices)
        bPresent = bPresent || device.qstrDeviceID == m_deviceTarget.qstrDeviceID;
    if (!bPresent && !m_bDeparted) {
        m_bDeparted = true;
        m_pOperation->DeviceDeparted();
    } else if (bPresent && m_bDeparted) {
        m_bDeparted = false;
        m_pOperation->DeviceReturned();
    }
}

void CCliSession::CheckSettled()
{
    if (m_bSettled || m_bDone)
        return;
    const bool bReading = CDeviceMonitor::NotificationsInHand() > 0;
    const int iSettle = m_listDevices.isEmpty() ? iEmptySettleMsecs : iSettleMsecs;
    const bool bQuiet = m_sinceStart.elapsed() >= iSettle && m_sinceList.elapsed() >= iQuietMsecs && !bReading;
    if (!bQuiet && m_sinceStart.elapsed() < (bReading ? iReadingMaxMsecs : iWaitMaxMsecs))
        return;
    m_bSettled = true;
    m_pSettleTimer->stop();
    RunWithDevices();
}

void CCliSession::RunWithDevices()
{
    TEXTLOG("devices : %d", static_cast<int>(m_listDevices.size()));
    if (m_request.eiCommand == eiCliCommand_Devices) {
        m_report.Devices(m_listDevices);
        if (m_listDevices.isEmpty())
            m_report.Error(tr("No device is connected."));
        Finish(m_listDevices.isEmpty() ? eiCliExit_NoDevice : eiCliExit_Done);
        return;
    }
    structDeviceInfo device;
    if (!ChooseDevice(device))
        return;
    if (m_request.eiCommand == eiCliCommand_Backup)
        StartBackup(device);
    else
        PrepareRestore(device);
}

bool CCliSession::ChooseDevice(structDeviceInfo& device)
{
    if (m_listDevices.isEmpty()) {
        m_report.Error(tr("No device is connected. Connect the device by USB, unlock it and trust this computer."));
        Finish(eiCliExit_NoDevice);
        return false;
    }
    QList<structDeviceInfo> listMatching;
    for (const structDeviceInfo& candidate : m_listDevices) {
        if (m_request.qstrDevice.isEmpty() || candidate.qstrDeviceID.compare(m_request.qstrDevice, Qt::CaseInsensitive) == 0
            || candidate.qstrDeviceName == m_request.qstrDevice)
            listMatching.append(candidate);
    }
    if (listMatching.isEmpty()) {
        m_report.Error(tr("No connected device is called \"%1\".").arg(m_request.qstrDevice));
        Finish(eiCliExit_NoDevice);
        return false;
    }
    // A restore without --device goes to the device the set was made from, when it is among them.
    if (listMatching.size() > 1 && m_request.eiCommand == eiCliCommand_Restore && m_request.qstrDevice.isEmpty()) {
        for (const structDeviceInfo& candidate : std::as_const(listMatching)) {
            if (candidate.qstrDeviceID == m_qstrSetUDID) {
                listMatching = {candidate};
                break;
            }
        }
    }
    if (listMatching.size() > 1) {
        m_report.Error(tr("Several devices are connected; choose one with --device:"));
        for (const structDeviceInfo& candidate : listMatching)
            m_report.Error(QStringLiteral("  %1  %2").arg(candidate.qstrDeviceID, candidate.qstrDeviceName));
        Finish(eiCliExit_Usage);
        return false;
    }
    device = listMatching.first();
    return true;
}

void CCliSession::StartBackup(const structDeviceInfo& device)
{
    const QString qstrRoot =
        QDir::toNativeSeparators(QDir(m_request.qstrTo.isEmpty() ? ConfiguredBackupRoot() : m_request.qstrTo).absolutePath());
    // The root may not exist yet: its nearest existing folder tells the disk.
    QString qstrFolder = qstrRoot;
    while (!QFileInfo(qstrFolder).isDir() && QFileInfo(qstrFolder).path() != qstrFolder)
        qstrFolder = QFileInfo(qstrFolder).path();
    const QStorageInfo storage(qstrFolder);
    const qint64 iFreeBytes = storage.isValid() ? storage.bytesAvailable() : -1;
    if (CBackup::ClearlyDoesNotFit(iFreeBytes, device.iDataUsedBytes)) {
        m_report.Error(tr("The disk of %1 has %2 free, and the device holds %3 of data: the backup would not fit. "
                          "Free some space, or choose another folder with --to.")
                           .arg(qstrRoot, QLocale().formattedDataSize(iFreeBytes),
                                QLocale().formattedDataSize(device.iDataUsedBytes)));
        Finish(eiCliExit_Failed);
        return;
    }
    m_qstrSet = qstrRoot;
    StartOperation(device, false);
}

void CCliSession::PrepareRestore(const structDeviceInfo& device)
{
    const structSetCheck check = CStaticPubFunc::IsPlainFileName(m_qstrSetUDID)
                                     ? CBackupSetCheck::Check(CBackup::JoinPath(m_qstrSet, m_qstrSetUDID), false)
                                     : structSetCheck();
    if (check.eiState != eiSetState_Complete) {
        m_report.Error(check.eiState == eiSetState_Unfinished
                           ? tr("This backup did not finish and cannot be restored.")
                           : tr("This backup is damaged (files are missing or its manifest cannot be read) and "
                                "cannot be restored."));
        Finish(eiCliExit_Failed);
        return;
    }
    m_iSetBytes = check.iTotalBytes;
    m_bSetEncrypted = check.bEncrypted;
    if (m_request.bYes) {
        m_deviceTarget = device;
        if (m_bSetEncrypted)
            AskPassword();
        else
            StartOperation(device, true);
        return;
    }
    if (!Terminal::IsTerminal(0)) {
        m_report.Error(tr("Restoring replaces all the data on the device, and there is no terminal to ask on. "
                          "Add --yes to restore without asking."));
        Finish(eiCliExit_Usage);
        return;
    }
    AskBeforeRestore(device, m_qstrSetUDID);
}

void CCliSession::AskBeforeRestore(const structDeviceInfo& device, const QString& qstrSetUDID)
{
    m_deviceTarget = device;
    QString qstrQuestion;
    if (qstrSetUDID != device.qstrDeviceID)
        qstrQuestion = tr("This backup was made from another device (%1).").arg(qstrSetUDID) + QLatin1Char('\n');
    qstrQuestion += tr("Restoring replaces all the data on \"%1\" (%2) with the data of %3, and the device restarts "
                       "at the end. Restore it? [y/N] ")
                        .arg(device.qstrDeviceName, device.qstrDeviceID, m_qstrSet);
    const QByteArray bytes = qstrQuestion.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
    // Read when it comes, so that Ctrl-C still reaches the event loop meanwhile.
    m_pAnswer = new QSocketNotifier(0, QSocketNotifier::Read, this);
    connect(m_pAnswer, &QSocketNotifier::activated, this, &CCliSession::OnAnswer);
}

void CCliSession::OnAnswer()
{
    m_pAnswer->setEnabled(false);
    QFile input;
    QString qstrAnswer;
    if (input.open(stdin, QIODevice::ReadOnly))
        qstrAnswer = QString::fromLocal8Bit(input.readLine()).trimmed().toLower();
    TEXTLOG("the answer to the restore question : %s", LOG8(qstrAnswer));
    if (qstrAnswer == QLatin1String("y") || qstrAnswer == QLatin1String("yes") || qstrAnswer == tr("y")) {
        if (m_bSetEncrypted)
            AskPassword();
        else
            StartOperation(m_deviceTarget, true);
        return;
    }
    m_report.Error(tr("Nothing was restored."));
    Finish(eiCliExit_Failed);
}

void CCliSession::AskPassword()
{
    if (Terminal::IsTerminal(0)) {
        const QByteArray bytes = tr("This backup is encrypted. Its password (the one chosen when backup encryption was "
                                    "turned on, not the device's passcode): ")
                                     .toLocal8Bit();
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
        m_bEchoOff = Terminal::SetEcho(0, false);
    }
    if (m_pAnswer == nullptr)
        m_pAnswer = new QSocketNotifier(0, QSocketNotifier::Read, this);
    disconnect(m_pAnswer, nullptr, this, nullptr);
    connect(m_pAnswer, &QSocketNotifier::activated, this, &CCliSession::OnPassword);
    m_pAnswer->setEnabled(true);
}

void CCliSession::EchoBack()
{
    if (!m_bEchoOff)
        return;
    m_bEchoOff = false;
    Terminal::SetEcho(0, true);
    std::fputc('\n', stderr); // the Enter that was not echoed
}

void CCliSession::OnPassword()
{
    m_pAnswer->setEnabled(false);
    QFile input;
    QByteArray baLine;
    if (input.open(stdin, QIODevice::ReadOnly))
        baLine = input.readLine();
    EchoBack();
    // Only the line end goes: blanks belong to the password.
    while (baLine.endsWith('\n') || baLine.endsWith('\r'))
        baLine.chop(1);
    m_qstrPassword = QString::fromLocal8Bit(baLine);
    baLine.fill('\0');
    TEXTLOG("a password was given : %d", m_qstrPassword.isEmpty() ? 0 : 1);
    if (m_qstrPassword.isEmpty()) {
        m_report.Error(tr("No password was given. Nothing was restored."));
        Finish(eiCliExit_Failed);
        return;
    }
    if (!COperation::PasswordPassable(m_qstrPassword)) {
        m_qstrPassword.clear();
        m_report.Error(tr("The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and "
                          "punctuation (ASCII), without accents or other scripts. Nothing was restored."));
        Finish(eiCliExit_Failed);
        return;
    }
    StartOperation(m_deviceTarget, true);
}

void CCliSession::StartOperation(const structDeviceInfo& device, bool bRestore)
{
    m_deviceTarget = device;
    structOperationRequest request;
    request.bRestore = bRestore;
    request.qstrDeviceUDID = device.qstrDeviceID;
    request.qstrDeviceName = device.qstrDeviceName;
    request.qstrDeviceVersion = device.qstrDeviceVersion;
    if (bRestore)
        request.qstrSet = m_qstrSet;
    else
        request.qstrBackupRoot = m_qstrSet;
    request.bPersonalData = true;
    request.bApps = !bRestore && m_request.bApps;
    // Without --full, from the last sound set of the device in the root when there is one.
    request.bFull = m_request.bFull;
    request.iWillEncrypt = device.iWillEncrypt;
    request.iExpectedBytes = bRestore ? m_iSetBytes : device.iDataUsedBytes;
    request.qstrLockFolder = CProgramFolder::DeviceLockFolder();
    request.qstrPassword = m_qstrPassword;
    m_qstrPassword.clear();
    m_pOperation = new COperation(request);
    connect(m_pOperation, &COperation::signal_Progress, this,
            [this](const structOperationProgress& progress) { m_report.Progress(progress); });
    connect(m_pOperation, &COperation::signal_Finished, this, &CCliSession::OnFinished);
    const bool bStarted = m_pOperation->Start();
    if (!bStarted)
        return; // signal_Finished tells why
    m_report.Note(bRestore ? tr("Restoring %1 onto \"%2\" (%3).").arg(m_qstrSet, device.qstrDeviceName, device.qstrDeviceID)
                           : tr("Backing up \"%1\" (%2) into %3.")
                                 .arg(device.qstrDeviceName, device.qstrDeviceID, m_pOperation->SetFolder()));
    // An unattended run waits here until the device is unlocked or gives up.
    if (!bRestore && COperation::AsksPasscodeForBackup(device.qstrDeviceVersion))
        m_report.Note(CCauseText::PasscodeHintText());
}

void CCliSession::OnFinished(const structOperationResult& result)
{
    QString qstrWarning;
    if (result.bSucceeded && result.iAppFailedCount > 0) {
        qstrWarning = tr("Warning: %1 apps could not be saved.").arg(result.iAppFailedCount);
        if (result.structAppsCause.eiCause != eiFailureCause_None)
            qstrWarning += QLatin1Char(' ') + CCauseText::CauseText(result.structAppsCause);
    }
    if (result.bSucceeded && result.eiSeedRoad != eiSeedRoad_Full
        && !CCauseText::TransferText(result.structTransferThis).isEmpty())
        m_report.Note(CCauseText::TransferText(result.structTransferThis));
    m_report.Finished(result.bSucceeded, result.qstrSet, QString::fromLatin1(FailureCauseName(result.structCause.eiCause)),
                      CCauseText::CauseText(result.structCause), qstrWarning);
    Finish(result.bSucceeded ? eiCliExit_Done : eiCliExit_Failed);
}

void CCliSession::Interrupt()
{
    TEXTLOG("a termination request");
    if (m_bDone)
        return;
    EchoBack();
    if (m_pAnswer != nullptr && m_pOperation == nullptr) {
        m_report.Error(tr("Nothing was restored."));
        Finish(eiCliExit_Failed);
        return;
    }
    if (m_pOperation == nullptr || !m_pOperation->IsRunning()) {
        if (m_pOperation == nullptr)
            FailWith({eiFailureCause_Cancelled, QString()});
        return;
    }
    if (m_pOperation->Request().bRestore && !m_bStopAsked) {
        m_bStopAsked = true;
        m_report.Error(tr("A restore is running: stopping it now leaves the device half restored, and it may not "
                          "start properly until a restore finishes. Press Ctrl-C again to stop it anyway."));
        return;
    }
    m_pOperation->Cancel();
}
