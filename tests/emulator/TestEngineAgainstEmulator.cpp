// The real ThreadDeviceBackup and ThreadDeviceRestore running the real Debian
// idevicebackup2 and ideviceinstaller against the device emulator, including
// injected failures that must end in a failed result instead of a hang.
#include "AppGlobals.h"
#include "CBackup.h"
#include "EmulatorProcess.h"
#include "SharedTypes.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"
#include "ThreadSignalRecorder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString kModernUDID = QStringLiteral("00008030c0ffee0000000000000000000000e001");
const QString kOldUDID = QStringLiteral("5e1f0c2d3b4a59687766554433221100ffeee002");
const QString kModernName = QStringLiteral("Modern: Phone*");
// The tools echo the set folder, which carries the device's name and the
// user's root: neither is read as the tools' own words.
const QString kOldName = QStringLiteral("Failed Phone");
const QStringList kModernApps = {QStringLiteral("com.example.notes"), QStringLiteral("com.example.weather"),
                                 QStringLiteral("com.example.maps")};
const QStringList kOldApps = {QStringLiteral("com.example.game"), QStringLiteral("com.example.mail")};
const int kBackupFiles = 6;
const int kThreadTimeoutMs = 60000; // a hang guard only: every run here ends within seconds
const int kDeviceTimeoutMs = 15000;

QJsonObject Device(const QString& qstrUDID, const QString& qstrName, const QString& qstrVersion,
                   const QStringList& qstrlistApps)
{
    QJsonArray jsonApps;
    for (const QString& qstrID : qstrlistApps)
        jsonApps.append(QJsonObject{{QStringLiteral("id"), qstrID}, {QStringLiteral("version"), QStringLiteral("1.0")},
                                    {QStringLiteral("name"), qstrID.section(QLatin1Char('.'), -1)}});
    // A short pause per file spreads the progress over several polling passes.
    const QJsonObject jsonBackup{{QStringLiteral("files"), kBackupFiles}, {QStringLiteral("file_size"), 4000},
                                 {QStringLiteral("files_per_message"), 2}, {QStringLiteral("file_delay"), 0.1}};
    return QJsonObject{{QStringLiteral("udid"), qstrUDID},       {QStringLiteral("name"), qstrName},
                       {QStringLiteral("product_version"), qstrVersion}, {QStringLiteral("apps"), jsonApps},
                       {QStringLiteral("backup"), jsonBackup},   {QStringLiteral("reboot_delay"), 0.5}};
}

QJsonValue Failure(const char* kind, const char* key = nullptr, const QJsonValue& jsonValue = {})
{
    QJsonObject jsonFailure{{QStringLiteral("kind"), QLatin1String(kind)}};
    if (key != nullptr)
        jsonFailure.insert(QLatin1String(key), jsonValue);
    return jsonFailure;
}

QStringList JsonStrings(const QJsonObject& jsonStatus, const char* key)
{
    QStringList qstrlist;
    for (const QJsonValue& jsonItem : jsonStatus.value(QLatin1String(key)).toArray())
        qstrlist << jsonItem.toString();
    return qstrlist;
}

// The causes of the latest run that RunToEnd saw end.
structFailureCause lastFailureCause;
structFailureCause lastAppsFailureCause;

template <class ThreadT>
bool RunToEnd(ThreadT& thread, ThreadSignalRecorder& recorder)
{
    recorder.Watch(&thread);
    thread.start(QThread::InheritPriority);
    const bool bEnded = recorder.WaitUntilDone(&thread, kThreadTimeoutMs) && recorder.ResultCount() == 1;
    lastFailureCause = thread.FailureCause();
    lastAppsFailureCause = thread.AppsFailureCause();
    return bEnded;
}

// Compared by name, so that a failure reads plainly; then the detail.
#define COMPARE_CAUSE(actual, expected, detail)                                                                        \
    do {                                                                                                               \
        QCOMPARE(FailureCauseName((actual).eiCause), FailureCauseName(enumFailureCause(expected)));                    \
        QCOMPARE((actual).qstrDetail, QString(detail));                                                                \
    } while (0)

} // namespace

class TestEngineAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase() { m_EmulatorProcess.Stop(); }
    void fullBackup();
    void appsOnCurrentDeviceAllFail();
    void appsOnOldDeviceArrive();
    void restoreInstallsAppsThenData();
    void failuresFailTheBackup_data();
    void failuresFailTheBackup();
    void endedBackupLeavesAnUnfinishedSet_data();
    void endedBackupLeavesAnUnfinishedSet();
    void restoreFailures_data();
    void restoreFailures();

private:
    void PrepareBackup(ThreadDeviceBackup& thread, const QString& qstrUDID, const QString& qstrName,
                       bool bPersonalData, bool bApps);
    // Runs a backup to its end with exactly one result; the set folder, or
    // empty when the run did not end so.
    QString Backup(const QString& qstrUDID, const QString& qstrName, bool bPersonalData, bool bApps,
                   ThreadSignalRecorder& recorder);
    // Restores the set to the modern device as the restore page does: the
    // set's marker names the source and apps folder.
    bool Restore(const QString& qstrSet, bool bPersonalData, bool bApps, ThreadSignalRecorder& recorder);
    QString OldDeviceSet();
    bool SetFailure(const QString& qstrUDID, const QJsonValue& jsonFailure);

    EmulatorProcess m_EmulatorProcess;
    QTemporaryDir m_qTemporaryDirProgram; // a program folder without tools: /usr/bin serves
    QTemporaryDir m_qTemporaryDirRoot{QDir::tempPath() + QStringLiteral("/Error reports Finished-XXXXXX")};
    QString m_qstrOldDeviceSet;           // made once, restored by several tests
};

void TestEngineAgainstEmulator::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("the libimobiledevice tools are not installed (%1 missing); "
                                        "scripts/install-deps installs them")
                             .arg(qstrlistMissing.join(QStringLiteral(", ")))));
    RegisterSharedMetaTypes();
    QVERIFY(m_qTemporaryDirProgram.isValid() && m_qTemporaryDirRoot.isValid());
    g_qstrAppDirPath = m_qTemporaryDirProgram.path();
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start({Device(kModernUDID, kModernName, QStringLiteral("16.4.1"), kModernApps),
                                      Device(kOldUDID, kOldName, QStringLiteral("6.1.3"), kOldApps)},
                                     strErrorMessage),
             qPrintable(strErrorMessage));
}

void TestEngineAgainstEmulator::init()
{
    g_iBackupAppFailedCount = -1;
    g_iRestoreAppFailedCount = -1;
}

void TestEngineAgainstEmulator::cleanup()
{
    // Every test leaves both devices plugged in and well.
    for (const QString& qstrUDID : {kModernUDID, kOldUDID}) {
        SetFailure(qstrUDID, QJsonValue());
        m_EmulatorProcess.Command(QStringLiteral("attach"), qstrUDID);
    }
    if (QTest::currentTestFailed())
        qWarning("emulator trace:\n%s", qPrintable(m_EmulatorProcess.LogText().right(4000)));
}

void TestEngineAgainstEmulator::PrepareBackup(ThreadDeviceBackup& thread, const QString& qstrUDID,
                                              const QString& qstrName, bool bPersonalData, bool bApps)
{
    // As the backup page does: a set folder named from the time and the device.
    static int iSetNumber = 0;
    thread.qstrBackupDirectory = CBackup::JoinPath(
        QDir::toNativeSeparators(m_qTemporaryDirRoot.path()),
        CBackup::SetFolderName(QDateTime::currentDateTime().addSecs(++iSetNumber), qstrName));
    QDir().mkpath(thread.qstrBackupDirectory);
    thread.qstrDeviceUDID = qstrUDID;
    thread.bBackupPersonalData = bPersonalData;
    thread.bBackupApps = bApps;
}

QString TestEngineAgainstEmulator::Backup(const QString& qstrUDID, const QString& qstrName, bool bPersonalData,
                                          bool bApps, ThreadSignalRecorder& recorder)
{
    ThreadDeviceBackup thread;
    PrepareBackup(thread, qstrUDID, qstrName, bPersonalData, bApps);
    return RunToEnd(thread, recorder) ? thread.qstrBackupDirectory : QString();
}

bool TestEngineAgainstEmulator::Restore(const QString& qstrSet, bool bPersonalData, bool bApps,
                                        ThreadSignalRecorder& recorder)
{
    ThreadDeviceRestore thread;
    thread.qstrDeviceUDID = kModernUDID;
    CBackup::ReadBackupFlag(qstrSet, thread.qstrDataFolderName, thread.qstrIPAFolderName);
    thread.qstrBackupDirectory = qstrSet;
    thread.bRestorePersonalData = bPersonalData;
    thread.bRestoreApps = bApps;
    return !thread.qstrDataFolderName.isEmpty() && RunToEnd(thread, recorder);
}

// A complete set of the old device with its marker; empty when it could not be made.
QString TestEngineAgainstEmulator::OldDeviceSet()
{
    if (m_qstrOldDeviceSet.isEmpty()) {
        ThreadSignalRecorder recorder;
        const QString qstrSet = Backup(kOldUDID, kOldName, true, true, recorder);
        if (recorder.FinalResult() == 1 && CBackup::WriteBackupFlag(qstrSet, kOldUDID))
            m_qstrOldDeviceSet = qstrSet;
    }
    return m_qstrOldDeviceSet;
}

bool TestEngineAgainstEmulator::SetFailure(const QString& qstrUDID, const QJsonValue& jsonFailure)
{
    return m_EmulatorProcess.Command(QStringLiteral("set_fail"), qstrUDID, {{QStringLiteral("fail"), jsonFailure}});
}

void TestEngineAgainstEmulator::fullBackup()
{
    ThreadSignalRecorder recorder;
    const QString qstrSet = Backup(kModernUDID, kModernName, true, false, recorder);
    QVERIFY(!qstrSet.isEmpty());
    QCOMPARE(recorder.FinalResult(), 1);
    const QList<int> listProgress = recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(!listProgress.isEmpty() && std::is_sorted(listProgress.begin(), listProgress.end()));
    QCOMPARE(listProgress.last(), 100);
    QVERIFY(recorder.Progress(eiStepBackupRestore_Apps).isEmpty());
    for (const char* name : {"Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"})
        QVERIFY2(QFileInfo(QDir(qstrSet).filePath(kModernUDID + QLatin1Char('/') + QLatin1String(name))).size() > 0,
                 name);
    QVERIFY(!QFileInfo::exists(QDir(qstrSet).filePath(CBackup::IPAFolderName())));
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "archives"), 0);
}

void TestEngineAgainstEmulator::appsOnCurrentDeviceAllFail()
{
    const int iArchivesBefore = m_EmulatorProcess.Counter(kModernUDID, "archives");
    ThreadSignalRecorder recorder;
    const QString qstrSet = Backup(kModernUDID, kModernName, true, true, recorder);
    QVERIFY(!qstrSet.isEmpty());

    // iOS 7 and later refuse to archive for good: every app fails at its one
    // try, and says why; the backup succeeds.
    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, kModernApps.size());
    COMPARE_CAUSE(lastAppsFailureCause, eiFailureCause_AppsUnsupported,
                  QStringLiteral("ERROR: Archive failed. Got error \"UnknownCommand\"."));
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "archives"), iArchivesBefore + int(kModernApps.size()));
    QCOMPARE(recorder.Progress(eiStepBackupRestore_PersonalData).last(), 50);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{50, 66, 83}));
    const QDir qDirApps(QDir(qstrSet).filePath(CBackup::IPAFolderName()));
    QFile qFileList(qDirApps.filePath(CBackup::IpaListFileName()));
    QVERIFY(qFileList.open(QIODevice::ReadOnly));
    QCOMPARE(qFileList.readAll(),
             QByteArray("com.example.notes.ipa\r\ncom.example.weather.ipa\r\ncom.example.maps.ipa\r\n"));
    for (const QString& qstrApp : kModernApps)
        QVERIFY(QFileInfo(qDirApps.filePath(qstrApp + CBackup::IpaSuffix())).size() <= 0);
}

void TestEngineAgainstEmulator::appsOnOldDeviceArrive()
{
    ThreadSignalRecorder recorder;
    const QString qstrSet = Backup(kOldUDID, kOldName, false, true, recorder);
    QVERIFY(!qstrSet.isEmpty());
    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 50}));
    for (const QString& qstrApp : kOldApps) {
        QFile qFileArchive(QDir(qstrSet).filePath(CBackup::IPAFolderName() + QLatin1Char('/') + qstrApp
                                                  + CBackup::IpaSuffix()));
        QVERIFY(qFileArchive.open(QIODevice::ReadOnly));
        QCOMPARE(qFileArchive.read(2), QByteArray("PK"));
    }
    // The device keeps its apps and no archive is left on it.
    const QJsonObject jsonStatus = m_EmulatorProcess.DeviceStatus(kOldUDID);
    QCOMPARE(jsonStatus.value(QStringLiteral("apps")).toArray().size(), kOldApps.size());
    for (const QString& qstrFile : JsonStrings(jsonStatus, "media_files"))
        QVERIFY2(!qstrFile.startsWith(QLatin1String("ApplicationArchives/")), qPrintable(qstrFile));
}

void TestEngineAgainstEmulator::restoreInstallsAppsThenData()
{
    const QString qstrSet = OldDeviceSet();
    QVERIFY(!qstrSet.isEmpty());
    const QJsonObject jsonBefore = m_EmulatorProcess.DeviceStatus(kModernUDID);
    ThreadSignalRecorder recorder;
    QVERIFY(Restore(qstrSet, true, true, recorder));
    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 25}));
    const QList<int> listData = recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(!listData.isEmpty());
    QCOMPARE(listData.last(), 25 + 50);

    // Apps first, then the personal data of the old device, then the reboot.
    const QJsonObject jsonStatus = m_EmulatorProcess.DeviceStatus(kModernUDID);
    const QStringList qstrlistEvents = JsonStrings(jsonStatus, "events").mid(JsonStrings(jsonBefore, "events").size());
    const auto indexOf = [&qstrlistEvents](const char* prefix) {
        const auto found = std::find_if(qstrlistEvents.begin(), qstrlistEvents.end(),
                                        [prefix](const QString& qstr) { return qstr.startsWith(QLatin1String(prefix)); });
        return found == qstrlistEvents.end() ? -1 : int(found - qstrlistEvents.begin());
    };
    const int iFirstInstall = indexOf("installed com.example.game");
    const int iSecondInstall = indexOf("installed com.example.mail");
    QVERIFY2(iFirstInstall >= 0 && iFirstInstall < iSecondInstall && iSecondInstall < indexOf("restore finished"),
             qPrintable(qstrlistEvents.join(QStringLiteral(" | "))));
    const QStringList qstrlistRestored = JsonStrings(jsonStatus, "restored_files");
    QVERIFY(qstrlistRestored.contains(kOldUDID + QStringLiteral("/Manifest.db")));
    QCOMPARE(std::count_if(qstrlistRestored.begin(), qstrlistRestored.end(),
                           [](const QString& s) {
                               return s.startsWith(kOldUDID + QLatin1Char('/')) && s.count(QLatin1Char('/')) == 2;
                           }),
             qsizetype(kBackupFiles));
    // The device reboots once the tool has hung up, and comes back.
    const int iRebootsBefore = EmulatorProcess::Counter(jsonBefore, "reboots");
    QVERIFY(m_EmulatorProcess.WaitForDevice(
        kModernUDID,
        [iRebootsBefore](const QJsonObject& jsonDevice) {
            return EmulatorProcess::Counter(jsonDevice, "reboots") == iRebootsBefore + 1
                   && jsonDevice.value(QStringLiteral("attached")).toBool();
        },
        kDeviceTimeoutMs));
}

void TestEngineAgainstEmulator::failuresFailTheBackup_data()
{
    QTest::addColumn<QJsonValue>("jsonFailure"); // null: the device is unplugged; "no folder": the set folder is gone
    QTest::addColumn<int>("iCause");
    QTest::addColumn<QString>("qstrDetail");
    QTest::newRow("105 disk full")
        << Failure("device_error", "code", 105) << int(eiFailureCause_DiskFull)
        << "ErrorCode 105: Insufficient free disk space on drive to back up (MBErrorDomain/105)";
    QTest::newRow("208 device locked") << Failure("device_error", "code", 208) << int(eiFailureCause_DeviceLocked)
                                       << "ErrorCode 208: Device locked (MBErrorDomain/208)";
    // Without notification_proxy the tool dies of SIGSEGV, printing nothing.
    QTest::newRow("tool crashes") << Failure("refuse_service", "service",
                                             QStringLiteral("com.apple.mobile.notification_proxy"))
                                  << int(eiFailureCause_ToolCrashed) << "11";
    QTest::newRow("service refused") << Failure("refuse_service", "service", QStringLiteral("com.apple.mobilebackup2"))
                                     << int(eiFailureCause_Unknown)
                                     << "ERROR: Could not start service com.apple.mobilebackup2.";
    // Detached: "No device found with udid X." carries none of the error words.
    QTest::newRow("device absent") << QJsonValue() << int(eiFailureCause_NoDevice)
                                   << "No device found with udid " + kModernUDID + ".";
    QTest::newRow("set folder gone") << QJsonValue(QStringLiteral("no folder")) << int(eiFailureCause_FolderNotWritable)
                                     << "";
    // Trust: the device's answers to pairing, as the tool reports them.
    const auto lockdown = [](int iCode) { return QStringLiteral("ERROR: Could not connect to lockdownd, error code %1").arg(iCode); };
    QTest::newRow("-17 locked, not paired") << Failure("pair_locked") << int(eiFailureCause_NotTrusted) << lockdown(-17);
    QTest::newRow("-18 trust refused") << Failure("pair_denied") << int(eiFailureCause_TrustRefused) << lockdown(-18);
    QTest::newRow("-19 trust pending") << Failure("pair_pending") << int(eiFailureCause_NotTrusted) << lockdown(-19);
    QTest::newRow("-21 pair record rejected") << Failure("pair_record_rejected") << int(eiFailureCause_NotTrusted)
                                              << lockdown(-21);
    // A certificate the tool's TLS refuses ends in the tool's own error.
    QTest::newRow("bad certificate") << Failure("bad_certificate") << int(eiFailureCause_Unknown) << lockdown(-5);
}

void TestEngineAgainstEmulator::failuresFailTheBackup()
{
    QFETCH(QJsonValue, jsonFailure);
    QFETCH(int, iCause);
    QFETCH(QString, qstrDetail);
    if (jsonFailure.isObject())
        QVERIFY(SetFailure(kModernUDID, jsonFailure));
    if (jsonFailure.isNull())
        QVERIFY(m_EmulatorProcess.Command(QStringLiteral("detach"), kModernUDID));
    const int iArchivesBefore = m_EmulatorProcess.Counter(kModernUDID, "archives");
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kModernUDID, kModernName, true, true);
    if (jsonFailure.isString())
        QVERIFY(QDir(thread.qstrBackupDirectory).removeRecursively());
    ThreadSignalRecorder recorder;
    QVERIFY(RunToEnd(thread, recorder));
    QCOMPARE(recorder.FinalResult(), 0);
    if (jsonFailure.isString()) // the line names the folder
        qstrDetail = QStringLiteral("ERROR: Backup directory \"%1\" does not exist!").arg(thread.qstrBackupDirectory);
    COMPARE_CAUSE(lastFailureCause, iCause, qstrDetail);
    // A failed personal-data step ends the backup: no app is asked for.
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "archives"), iArchivesBefore);
}

void TestEngineAgainstEmulator::endedBackupLeavesAnUnfinishedSet_data()
{
    QTest::addColumn<bool>("bCancel");
    QTest::newRow("the device departs") << false;
    QTest::newRow("the user cancels") << true;
}

void TestEngineAgainstEmulator::endedBackupLeavesAnUnfinishedSet()
{
    QFETCH(bool, bCancel);
    QVERIFY(SetFailure(kModernUDID, Failure("disconnect_after_files", "files", 3)));
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kModernUDID, kModernName, true, false);
    ThreadSignalRecorder recorder;
    recorder.Watch(&thread);
    thread.start(QThread::InheritPriority);
    QVERIFY(m_EmulatorProcess.WaitForDevice(
        kModernUDID, [](const QJsonObject& jsonDevice) { return !jsonDevice.value(QStringLiteral("attached")).toBool(); },
        kDeviceTimeoutMs));
    // The tool spins without a word once the device is gone between two files;
    // the departure reaches the page, which ends the running tool, or the
    // user gives up and cancels.
    QTest::qWait(1000);
    QVERIFY(thread.isRunning());
    if (bCancel)
        thread.CancelRunningTool();
    else
        thread.EndRunningTool();
    QVERIFY2(recorder.WaitUntilDone(&thread, kThreadTimeoutMs), "the backup did not end");
    QCOMPARE(recorder.ResultCount(), 1);
    QCOMPARE(recorder.FinalResult(), 0);
    COMPARE_CAUSE(thread.FailureCause(), bCancel ? eiFailureCause_Cancelled : eiFailureCause_Disconnected, "");

    // The set begun stays; the tool itself refuses to restore it (it aborts).
    QVERIFY(SetFailure(kModernUDID, QJsonValue()));
    QVERIFY(m_EmulatorProcess.Command(QStringLiteral("attach"), kModernUDID));
    QVERIFY(CBackup::WriteBackupFlag(thread.qstrBackupDirectory, kModernUDID));
    const int iRestoresBefore = m_EmulatorProcess.Counter(kModernUDID, "restores");
    ThreadSignalRecorder restoreRecorder;
    QVERIFY(Restore(thread.qstrBackupDirectory, true, false, restoreRecorder));
    QCOMPARE(restoreRecorder.FinalResult(), 0);
    COMPARE_CAUSE(lastFailureCause, eiFailureCause_BackupIncomplete, "");
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "restores"), iRestoresBefore);
}

void TestEngineAgainstEmulator::restoreFailures_data()
{
    QTest::addColumn<QJsonValue>("jsonFailure");
    QTest::addColumn<bool>("bPersonalData"); // else apps only
    QTest::addColumn<int>("iResult");
    QTest::addColumn<int>("iFailedApps");
    QTest::addColumn<int>("iCause"); // of the run, or of the failed apps
    QTest::newRow("105 disk full") << Failure("device_error", "code", 105) << true << 0 << 0
                                   << int(eiFailureCause_DiskFull);
    // The tool notices this lost connection itself ("ERROR: Could not receive").
    QTest::newRow("unplugged after 4 files")
        << Failure("disconnect_after_files", "files", 4) << true << 0 << 0 << int(eiFailureCause_Disconnected);
    // A refused install is counted; the apps step itself never fails.
    QTest::newRow("installs refused") << Failure("install_failure") << false << 1 << int(kOldApps.size())
                                      << int(eiFailureCause_Unknown);
    // The tool asks for the password before it talks to the device.
    QTest::newRow("encrypted set") << QJsonValue(QStringLiteral("encrypted")) << true << 0 << 0
                                   << int(eiFailureCause_PasswordRequired);
}

void TestEngineAgainstEmulator::restoreFailures()
{
    QFETCH(QJsonValue, jsonFailure);
    QFETCH(bool, bPersonalData);
    QFETCH(int, iResult);
    QFETCH(int, iFailedApps);
    QFETCH(int, iCause);
    const QString qstrSet = OldDeviceSet();
    QVERIFY(!qstrSet.isEmpty());
    const QString qstrManifest = QDir(qstrSet).filePath(kOldUDID + QStringLiteral("/Manifest.plist"));
    QFile qFileManifest(qstrManifest);
    QVERIFY(qFileManifest.open(QIODevice::ReadOnly));
    const QByteArray baManifest = qFileManifest.readAll();
    qFileManifest.close();
    const bool bEncrypted = jsonFailure.isString();
    if (bEncrypted) {
        QVERIFY(qFileManifest.open(QIODevice::WriteOnly));
        qFileManifest.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                            "<key>IsEncrypted</key><true/></dict></plist>\n");
        qFileManifest.close();
    } else {
        QVERIFY(SetFailure(kModernUDID, jsonFailure));
    }
    const int iRestoresBefore = m_EmulatorProcess.Counter(kModernUDID, "restores");
    ThreadSignalRecorder recorder;
    const bool bRan = Restore(qstrSet, bPersonalData, !bPersonalData, recorder);
    if (bEncrypted) { // the set is shared: back as it was
        QVERIFY(qFileManifest.open(QIODevice::WriteOnly));
        qFileManifest.write(baManifest);
        qFileManifest.close();
    }
    QVERIFY(bRan);
    QCOMPARE(recorder.FinalResult(), iResult);
    QCOMPARE(g_iRestoreAppFailedCount, iFailedApps);
    QCOMPARE(FailureCauseName((iResult == 1 ? lastAppsFailureCause : lastFailureCause).eiCause),
             FailureCauseName(enumFailureCause(iCause)));
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "restores"),
             iRestoresBefore + (bPersonalData && !bEncrypted ? 1 : 0));
}

QTEST_GUILESS_MAIN(TestEngineAgainstEmulator)
#include "TestEngineAgainstEmulator.moc"
