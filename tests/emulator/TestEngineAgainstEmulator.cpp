// The real ThreadDeviceBackup and ThreadDeviceRestore running the real Debian
// idevicebackup2 and ideviceinstaller against the device emulator: a full
// backup, apps on a current device (archiving refused) and on an old one
// (archives arrive), a restore (apps first, then data, then the reboot), and
// each injected failure ending in a failed result instead of a hang.
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
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString kModernUDID = QStringLiteral("00008030c0ffee0000000000000000000000e001");
const QString kOldUDID = QStringLiteral("5e1f0c2d3b4a59687766554433221100ffeee002");
const QString kModernName = QStringLiteral("Modern: Phone*");
const QString kOldName = QStringLiteral("Old Phone");
const QStringList kModernApps = {QStringLiteral("com.example.notes"), QStringLiteral("com.example.weather"),
                                 QStringLiteral("com.example.maps")};
const QStringList kOldApps = {QStringLiteral("com.example.game"), QStringLiteral("com.example.mail")};
const int kBackupFiles = 6;
// A hang guard only: every run here ends within seconds.
const int kThreadTimeoutMs = 60000;
const int kDeviceTimeoutMs = 15000;

QJsonArray Apps(const QStringList& qstrlistIDs)
{
    QJsonArray jsonApps;
    for (const QString& qstrID : qstrlistIDs) {
        jsonApps.append(QJsonObject{{QStringLiteral("id"), qstrID}, {QStringLiteral("version"), QStringLiteral("1.0")},
                                    {QStringLiteral("name"), qstrID.section(QLatin1Char('.'), -1)}});
    }
    return jsonApps;
}

QJsonObject Device(const QString& qstrUDID, const QString& qstrName, const QString& qstrVersion,
                   const QStringList& qstrlistApps)
{
    // A short pause per file spreads the progress over several polling passes.
    const QJsonObject jsonBackup{{QStringLiteral("files"), kBackupFiles}, {QStringLiteral("file_size"), 4000},
                                 {QStringLiteral("files_per_message"), 2}, {QStringLiteral("file_delay"), 0.1}};
    return QJsonObject{{QStringLiteral("udid"), qstrUDID},       {QStringLiteral("name"), qstrName},
                       {QStringLiteral("product_version"), qstrVersion}, {QStringLiteral("apps"), Apps(qstrlistApps)},
                       {QStringLiteral("backup"), jsonBackup},   {QStringLiteral("reboot_delay"), 0.5}};
}

QJsonObject Failure(const QString& qstrKind, const QString& qstrKey = QString(), const QJsonValue& jsonValue = {})
{
    QJsonObject jsonFailure{{QStringLiteral("kind"), qstrKind}};
    if (!qstrKey.isEmpty())
        jsonFailure.insert(qstrKey, jsonValue);
    return jsonFailure;
}

QStringList JsonStrings(const QJsonValue& jsonValue)
{
    QStringList qstrlist;
    const QJsonArray jsonArray = jsonValue.toArray();
    for (const QJsonValue& jsonItem : jsonArray)
        qstrlist << jsonItem.toString();
    return qstrlist;
}

// The position of the first text that starts with the prefix, or -1.
qsizetype IndexOfPrefix(const QStringList& qstrlist, const QString& qstrPrefix)
{
    const auto found = std::find_if(qstrlist.begin(), qstrlist.end(),
                                    [&qstrPrefix](const QString& qstr) { return qstr.startsWith(qstrPrefix); });
    return found == qstrlist.end() ? -1 : qsizetype(found - qstrlist.begin());
}

QStringList DeviceEvents(const QJsonObject& jsonStatus)
{
    return JsonStrings(jsonStatus.value(QStringLiteral("events")));
}

int Counter(const QJsonObject& jsonStatus, const char* name)
{
    return jsonStatus.value(QStringLiteral("counters")).toObject().value(QLatin1String(name)).toInt(-1);
}

QByteArray FileStart(const QString& qstrPath, int iBytes)
{
    QFile qFile(qstrPath);
    return qFile.open(QIODevice::ReadOnly) ? qFile.read(iBytes) : QByteArray();
}

} // namespace

class TestEngineAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void fullBackup();
    void appsOnCurrentDeviceAllFail();
    void appsOnOldDeviceArrive();
    void restoreInstallsAppsThenData();
    void refusedInstallsAreCounted();
    void failuresFailTheBackup_data();
    void failuresFailTheBackup();
    void unpluggedDeviceEndsTheBackup();
    void failuresFailTheRestore_data();
    void failuresFailTheRestore();

private:
    QString NewSet(const QString& qstrDeviceName);
    void PrepareBackup(ThreadDeviceBackup& thread, const QString& qstrUDID, const QString& qstrName,
                       bool bPersonalData, bool bApps);
    QString OldDeviceSet();
    void PrepareRestore(ThreadDeviceRestore& thread, const QString& qstrSet, bool bPersonalData, bool bApps);
    template <class ThreadT>
    void Run(ThreadT& thread, ThreadSignalRecorder& recorder);
    void SetFailure(const QString& qstrUDID, const QJsonValue& jsonFailure);

    EmulatorProcess m_EmulatorProcess;
    QTemporaryDir m_qTemporaryDirProgram; // a program folder without tools: /usr/bin serves
    QTemporaryDir m_qTemporaryDirRoot;     // the backup root
    QString m_qstrOldDeviceSet;            // made once, restored by several tests
};

void TestEngineAgainstEmulator::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty()) {
        QSKIP(qPrintable(QStringLiteral("the libimobiledevice tools are not installed (%1 missing); "
                                        "scripts/install-deps installs them")
                             .arg(qstrlistMissing.join(QStringLiteral(", ")))));
    }
    RegisterSharedMetaTypes();
    QVERIFY(m_qTemporaryDirProgram.isValid());
    QVERIFY(m_qTemporaryDirRoot.isValid());
    g_qstrAppDirPath = m_qTemporaryDirProgram.path();
    const QJsonArray jsonDevices = {Device(kModernUDID, kModernName, QStringLiteral("16.4.1"), kModernApps),
                                    Device(kOldUDID, kOldName, QStringLiteral("6.1.3"), kOldApps)};
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start(jsonDevices, strErrorMessage), qPrintable(strErrorMessage));
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
        m_EmulatorProcess.Control({{QStringLiteral("cmd"), QStringLiteral("attach")},
                                   {QStringLiteral("udid"), qstrUDID}});
    }
    if (QTest::currentTestFailed())
        qWarning("emulator trace:\n%s", qPrintable(m_EmulatorProcess.LogText().right(4000)));
}

void TestEngineAgainstEmulator::cleanupTestCase()
{
    m_EmulatorProcess.Stop();
}

QString TestEngineAgainstEmulator::NewSet(const QString& qstrDeviceName)
{
    // As the backup page does: a set folder named from the time and the device.
    static int iSetNumber = 0;
    const QDateTime dateTimeStarted = QDateTime::currentDateTime().addSecs(++iSetNumber);
    const QString qstrSet = CBackup::JoinPath(QDir::toNativeSeparators(m_qTemporaryDirRoot.path()),
                                              CBackup::SetFolderName(dateTimeStarted, qstrDeviceName));
    return QDir().mkpath(qstrSet) ? qstrSet : QString();
}

void TestEngineAgainstEmulator::PrepareBackup(ThreadDeviceBackup& thread, const QString& qstrUDID,
                                              const QString& qstrName, bool bPersonalData, bool bApps)
{
    thread.qstrDeviceUDID = qstrUDID;
    thread.qstrBackupDirectory = NewSet(qstrName);
    thread.bBackupPersonalData = bPersonalData;
    thread.bBackupApps = bApps;
}

// A complete set of the old device, personal data and apps, with its marker;
// empty when it could not be made.
QString TestEngineAgainstEmulator::OldDeviceSet()
{
    if (!m_qstrOldDeviceSet.isEmpty())
        return m_qstrOldDeviceSet;
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kOldUDID, kOldName, true, true);
    ThreadSignalRecorder recorder;
    recorder.Watch(&thread);
    thread.start(QThread::InheritPriority);
    if (recorder.WaitUntilDone(&thread, kThreadTimeoutMs) && recorder.FinalResult() == 1
        && CBackup::WriteBackupFlag(thread.qstrBackupDirectory, kOldUDID))
        m_qstrOldDeviceSet = thread.qstrBackupDirectory;
    return m_qstrOldDeviceSet;
}

// As the restore page does: the set's marker names the source and apps folder.
void TestEngineAgainstEmulator::PrepareRestore(ThreadDeviceRestore& thread, const QString& qstrSet,
                                               bool bPersonalData, bool bApps)
{
    thread.qstrDeviceUDID = kModernUDID;
    CBackup::ReadBackupFlag(qstrSet, thread.qstrDataFolderName, thread.qstrIPAFolderName);
    thread.qstrBackupDirectory = qstrSet;
    thread.bRestorePersonalData = bPersonalData;
    thread.bRestoreApps = bApps;
}

template <class ThreadT>
void TestEngineAgainstEmulator::Run(ThreadT& thread, ThreadSignalRecorder& recorder)
{
    recorder.Watch(&thread);
    thread.start(QThread::InheritPriority);
    QVERIFY2(recorder.WaitUntilDone(&thread, kThreadTimeoutMs), "the worker did not end");
    QCOMPARE(recorder.ResultCount(), 1);
}

void TestEngineAgainstEmulator::SetFailure(const QString& qstrUDID, const QJsonValue& jsonFailure)
{
    QVERIFY(m_EmulatorProcess.Control({{QStringLiteral("cmd"), QStringLiteral("set_fail")},
                                       {QStringLiteral("udid"), qstrUDID},
                                       {QStringLiteral("fail"), jsonFailure}}));
}

void TestEngineAgainstEmulator::fullBackup()
{
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kModernUDID, kModernName, true, false);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    QCOMPARE(recorder.FinalResult(), 1);
    const QList<int> listProgress = recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(!listProgress.isEmpty());
    QVERIFY(std::is_sorted(listProgress.begin(), listProgress.end()));
    QCOMPARE(listProgress.last(), 100);
    QVERIFY(recorder.Progress(eiStepBackupRestore_Apps).isEmpty());
    const QDir qDirSet(thread.qstrBackupDirectory);
    const QDir qDirData(qDirSet.filePath(kModernUDID));
    for (const char* name : {"Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"})
        QVERIFY2(QFileInfo(qDirData.filePath(QLatin1String(name))).size() > 0, name);
    QVERIFY(!QFileInfo::exists(qDirSet.filePath(CBackup::IPAFolderName())));
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "archives"), 0);
}

void TestEngineAgainstEmulator::appsOnCurrentDeviceAllFail()
{
    const int iArchivesBefore = Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "archives");
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kModernUDID, kModernName, true, true);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    // iOS 7 and later refuse to archive: every app fails, the backup succeeds.
    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, kModernApps.size());
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "archives"),
             iArchivesBefore + 3 * int(kModernApps.size()));
    QCOMPARE(recorder.Progress(eiStepBackupRestore_PersonalData).last(), 50);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{50, 66, 83}));
    const QDir qDirApps(QDir(thread.qstrBackupDirectory).filePath(CBackup::IPAFolderName()));
    QFile qFileList(qDirApps.filePath(CBackup::IpaListFileName()));
    QVERIFY(qFileList.open(QIODevice::ReadOnly));
    QCOMPARE(qFileList.readAll(), QByteArray("com.example.notes.ipa\r\ncom.example.weather.ipa\r\n"
                                             "com.example.maps.ipa\r\n"));
    for (const QString& qstrApp : kModernApps)
        QVERIFY(QFileInfo(qDirApps.filePath(qstrApp + CBackup::IpaSuffix())).size() <= 0);
}

void TestEngineAgainstEmulator::appsOnOldDeviceArrive()
{
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kOldUDID, kOldName, false, true);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 50}));
    const QDir qDirApps(QDir(thread.qstrBackupDirectory).filePath(CBackup::IPAFolderName()));
    for (const QString& qstrApp : kOldApps)
        QCOMPARE(FileStart(qDirApps.filePath(qstrApp + CBackup::IpaSuffix()), 2), QByteArray("PK"));
    // The device keeps its apps and no archive is left on it.
    const QJsonObject jsonStatus = m_EmulatorProcess.DeviceStatus(kOldUDID);
    QCOMPARE(jsonStatus.value(QStringLiteral("apps")).toArray().size(), kOldApps.size());
    for (const QString& qstrFile : JsonStrings(jsonStatus.value(QStringLiteral("media_files"))))
        QVERIFY2(!qstrFile.startsWith(QLatin1String("ApplicationArchives/")), qPrintable(qstrFile));
}

void TestEngineAgainstEmulator::restoreInstallsAppsThenData()
{
    const QString qstrSet = OldDeviceSet();
    QVERIFY(!qstrSet.isEmpty());
    const QJsonObject jsonBefore = m_EmulatorProcess.DeviceStatus(kModernUDID);
    const qsizetype iEventsBefore = DeviceEvents(jsonBefore).size();
    ThreadDeviceRestore thread;
    PrepareRestore(thread, qstrSet, true, true);
    QCOMPARE(thread.qstrDataFolderName, kOldUDID);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 25}));
    const QList<int> listData = recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(!listData.isEmpty());
    QCOMPARE(listData.last(), 25 + 50);
    // Apps first, then the personal data of the old device, then the reboot.
    const QJsonObject jsonStatus = m_EmulatorProcess.DeviceStatus(kModernUDID);
    const QStringList qstrlistEvents = DeviceEvents(jsonStatus).mid(iEventsBefore);
    const qsizetype iFirstInstall = IndexOfPrefix(qstrlistEvents, QStringLiteral("installed com.example.game"));
    const qsizetype iSecondInstall = IndexOfPrefix(qstrlistEvents, QStringLiteral("installed com.example.mail"));
    const qsizetype iRestored = IndexOfPrefix(qstrlistEvents, QStringLiteral("restore finished"));
    QVERIFY2(iFirstInstall >= 0 && iFirstInstall < iSecondInstall && iSecondInstall < iRestored,
             qPrintable(qstrlistEvents.join(QStringLiteral(" | "))));
    const QStringList qstrlistRestored = JsonStrings(jsonStatus.value(QStringLiteral("restored_files")));
    QVERIFY(qstrlistRestored.contains(kOldUDID + QStringLiteral("/Manifest.db")));
    const qsizetype iHashedFiles = std::count_if(qstrlistRestored.begin(), qstrlistRestored.end(), [](const QString& s) {
        return s.startsWith(kOldUDID + QLatin1Char('/')) && s.count(QLatin1Char('/')) == 2;
    });
    QCOMPARE(iHashedFiles, qsizetype(kBackupFiles));
    // The device reboots once the tool has hung up, and comes back.
    const int iRebootsBefore = Counter(jsonBefore, "reboots");
    QVERIFY(m_EmulatorProcess.WaitForDevice(
        kModernUDID,
        [iRebootsBefore](const QJsonObject& jsonDevice) {
            return Counter(jsonDevice, "reboots") == iRebootsBefore + 1
                   && jsonDevice.value(QStringLiteral("attached")).toBool();
        },
        kDeviceTimeoutMs));
}

void TestEngineAgainstEmulator::refusedInstallsAreCounted()
{
    const QString qstrSet = OldDeviceSet();
    QVERIFY(!qstrSet.isEmpty());
    SetFailure(kModernUDID, Failure(QStringLiteral("install_failure")));
    ThreadDeviceRestore thread;
    PrepareRestore(thread, qstrSet, false, true);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    // A refused install is counted; the apps step itself never fails.
    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, kOldApps.size());
}

void TestEngineAgainstEmulator::failuresFailTheBackup_data()
{
    QTest::addColumn<QJsonValue>("jsonFailure");
    QTest::addColumn<bool>("bDetached");
    QTest::newRow("105 disk full") << QJsonValue(Failure(QStringLiteral("device_error"), QStringLiteral("code"), 105))
                                   << false;
    QTest::newRow("208 device locked")
        << QJsonValue(Failure(QStringLiteral("device_error"), QStringLiteral("code"), 208)) << false;
    // Without notification_proxy the tool dies of SIGSEGV, printing nothing.
    QTest::newRow("tool crashes") << QJsonValue(Failure(QStringLiteral("refuse_service"), QStringLiteral("service"),
                                                        QStringLiteral("com.apple.mobile.notification_proxy")))
                                  << false;
    // "No device found with udid X." carries none of the error words.
    QTest::newRow("device absent") << QJsonValue() << true;
}

void TestEngineAgainstEmulator::failuresFailTheBackup()
{
    QFETCH(QJsonValue, jsonFailure);
    QFETCH(bool, bDetached);
    SetFailure(kModernUDID, jsonFailure);
    if (bDetached) {
        QVERIFY(m_EmulatorProcess.Control({{QStringLiteral("cmd"), QStringLiteral("detach")},
                                           {QStringLiteral("udid"), kModernUDID}}));
    }
    const int iArchivesBefore = Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "archives");
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kModernUDID, kModernName, true, true);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    QCOMPARE(recorder.FinalResult(), 0);
    // A failed personal-data step ends the backup: no app is asked for.
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "archives"), iArchivesBefore);
}

void TestEngineAgainstEmulator::unpluggedDeviceEndsTheBackup()
{
    SetFailure(kModernUDID, Failure(QStringLiteral("disconnect_after_files"), QStringLiteral("files"), 3));
    ThreadDeviceBackup thread;
    PrepareBackup(thread, kModernUDID, kModernName, true, false);
    ThreadSignalRecorder recorder;
    recorder.Watch(&thread);
    thread.start(QThread::InheritPriority);
    QVERIFY(m_EmulatorProcess.WaitForDevice(
        kModernUDID, [](const QJsonObject& jsonDevice) { return !jsonDevice.value(QStringLiteral("attached")).toBool(); },
        kDeviceTimeoutMs));
    // The tool spins without a word once the device is gone between two files;
    // the departure reaches the page, which ends the running tool.
    QTest::qWait(1000);
    QVERIFY(thread.isRunning());
    thread.EndRunningTool();
    QVERIFY2(recorder.WaitUntilDone(&thread, kThreadTimeoutMs), "the backup did not end");
    QCOMPARE(recorder.ResultCount(), 1);
    QCOMPARE(recorder.FinalResult(), 0);
}

void TestEngineAgainstEmulator::failuresFailTheRestore_data()
{
    QTest::addColumn<QJsonValue>("jsonFailure");
    QTest::newRow("105 disk full") << QJsonValue(Failure(QStringLiteral("device_error"), QStringLiteral("code"), 105));
    // The tool notices this lost connection itself ("ERROR: Could not receive").
    QTest::newRow("unplugged after 4 files")
        << QJsonValue(Failure(QStringLiteral("disconnect_after_files"), QStringLiteral("files"), 4));
}

void TestEngineAgainstEmulator::failuresFailTheRestore()
{
    QFETCH(QJsonValue, jsonFailure);
    const QString qstrSet = OldDeviceSet();
    QVERIFY(!qstrSet.isEmpty());
    SetFailure(kModernUDID, jsonFailure);
    const int iRestoresBefore = Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "restores");
    ThreadDeviceRestore thread;
    PrepareRestore(thread, qstrSet, true, false);
    ThreadSignalRecorder recorder;
    Run(thread, recorder);

    QCOMPARE(recorder.FinalResult(), 0);
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kModernUDID), "restores"), iRestoresBefore + 1);
}

QTEST_GUILESS_MAIN(TestEngineAgainstEmulator)
#include "TestEngineAgainstEmulator.moc"
