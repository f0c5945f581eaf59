// The whole window with the real driver libraries, the real Debian tools and
// the device emulator, under faults: the backup tool killed mid-way, devices
// unplugged, device errors and refusals, devices arriving and leaving in
// quick succession, and a start after a crashed first instance with a log
// folder and a backup root that cannot be written. Each case asserts what the
// user sees (section and cause) and what is left on disk, and that no tool
// process outlives its operation.
#include "AppGlobals.h"
#include "CBackup.h"
#include "CCauseText.h"
#include "CDeviceTable.h"
#include "CDllTextLogQT.h"
#include "CProgramFolder.h"
#include "CSingleInstance.h"
#include "CToolSettings.h"
#include "Corvina.h"
#include "EmulatorProcess.h"
#include "ThreadDeviceBackup.h"
#include "dialogBackupPassword.h"
#include "widgetPrepareProgressResult.h"

#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <cstdio>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kSlow = u"00008030c0ffee00000000000000000000000f01"_s;   // backs up 40 files, slowly
const QString kOld = u"5e1f0c2d3b4a59687766554433221100ffee0f02"_s;    // iOS 6: apps can be archived
const QString kTarget = u"00008030c0ffee00000000000000000000000f03"_s; // receives the restores
const QStringList kChurning = {u"00008030c0ffee00000000000000000000000f04"_s, u"00008030c0ffee00000000000000000000000f05"_s,
                               u"00008030c0ffee00000000000000000000000f06"_s};
const int kResultTimeoutMs = 60000; // a hang guard only
const int kSecondsMs = 20000;       // "within seconds": the departure grace, a tool's end, the reboot
// The sets of the restore root, in the order the selection dialog lists them.
enum { eiSetComplete, eiSetEncrypted };
const QStringList kRestoreSets = {u"2024-01-01__10_00_00_@_@_Old Phone"_s, u"2024-01-02__10_00_00_@_@_Old Phone"_s};

// Whether this process made itself a private mount namespace (main), where a
// read-only bind mount can stand in for a folder that root cannot write.
bool g_bPrivateMounts = false;

QJsonObject Device(const QString& qstrUDID, const QString& qstrName, const QJsonObject& jsonExtra = {})
{
    QJsonObject jsonDevice = jsonExtra;
    jsonDevice.insert(u"udid"_s, qstrUDID);
    jsonDevice.insert(u"name"_s, qstrName);
    return jsonDevice;
}

// Every file under the folder with its bytes, except under qstrLeftOut.
QByteArray Digest(const QString& qstrFolder, const QString& qstrLeftOut = QString())
{
    QStringList listFiles;
    for (QDirIterator it(qstrFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString qstrFile = it.next();
        if (qstrLeftOut.isEmpty() || !qstrFile.startsWith(qstrLeftOut + u'/'))
            listFiles.append(qstrFile);
    }
    listFiles.sort();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& qstrFile : listFiles) {
        QFile file(qstrFile);
        hash.addData(qstrFile.toUtf8());
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
    }
    return hash.result();
}

int FilesIn(const QString& qstrFolder)
{
    int iCount = 0;
    for (QDirIterator it(qstrFolder, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++iCount;
    return iCount;
}

bool CopyFolder(const QString& qstrFrom, const QString& qstrTo)
{
    bool bCopied = QDir().mkpath(qstrTo);
    for (QDirIterator it(qstrFrom, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString qstrFile = it.next();
        const QString qstrTarget = qstrTo + qstrFile.mid(qstrFrom.size());
        bCopied = QDir().mkpath(QFileInfo(qstrTarget).path()) && QFile::copy(qstrFile, qstrTarget) && bCopied;
    }
    return bCopied;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void startsDespiteItsSurroundings();
    void faults_data();
    void faults();
    void devicesComeAndGo();

private:
    template <typename T = QWidget>
    T* Child(const char* name) { return m_pWindow->findChild<T*>(QLatin1String(name)); }
    bool Shows(const char* name) { return Child(name)->isVisible(); }
    // From the home page through the settings of the operation to its start;
    // a restore takes set iSet of the restore root.
    void Start(bool bRestore, const QString& qstrUDID, bool bApps, int iSet);
    // Sends the signal to the backup tool once it runs and iFiles more files
    // went over.
    void KillTool(bool bRestore, int iFiles, int iSignal);
    QString MakeRestoreSets();

    EmulatorProcess m_EmulatorProcess;
    QTemporaryDir m_qTemporaryDir;
    QString m_qstrBackupRoot; // of the case: a set of another device and a file were there before
    QString m_qstrRestoreRoot;
    QString m_qstrReadOnly; // a folder this process cannot write
    QString m_qstrLogFile;  // in a folder that cannot be written
    QString m_qstrShownRoot; // the backup root the window showed when it started
    Corvina* m_pWindow = nullptr;
    widgetPrepareProgressResult* m_pPage = nullptr;
};

void TestFaults::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty())
        QSKIP(qPrintable(u"the libimobiledevice tools are not installed (%1 missing)"_s.arg(qstrlistMissing.join(u", "_s))));
    RegisterSharedMetaTypes();
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_qTemporaryDir.isValid());
    m_qstrRestoreRoot = m_qTemporaryDir.filePath(u"sets"_s);
    QVERIFY(QDir().mkpath(m_qstrRestoreRoot));

    // A folder that cannot be written: as root, a read-only bind mount of an
    // empty folder; without a private mount namespace, /proc, where no one
    // can make folders.
    m_qstrReadOnly = u"/proc"_s;
    if (g_bPrivateMounts) {
        const QByteArray baSource = QFile::encodeName(m_qTemporaryDir.filePath(u"empty"_s));
        const QByteArray baTarget = QFile::encodeName(m_qTemporaryDir.filePath(u"read-only"_s));
        QVERIFY(QDir().mkpath(baSource) && QDir().mkpath(baTarget));
        QVERIFY(::mount(baSource.constData(), baTarget.constData(), nullptr, MS_BIND, nullptr) == 0);
        QVERIFY(::mount(nullptr, baTarget.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        m_qstrReadOnly = QFile::decodeName(baTarget);
    }

    // A first instance that was killed: its segment and lock are left over.
    QProcess first;
    first.start(QCoreApplication::applicationFilePath(), {u"--first-instance"_s});
    QVERIFY(first.waitForReadyRead(kSecondsMs) && first.readLine().startsWith("ready"));
    first.kill();
    QVERIFY(first.waitForFinished(kSecondsMs));
    // Step A as start-up runs it: the killed instance is no running instance.
    QVERIFY(CSingleInstance::StepA());

    // A program folder of the test's own: the driver libraries, the log
    // library and the settings, which name the read-only folder as backup
    // root; no tools (PATH serves). The log goes where it cannot be written.
    g_qstrAppDirPath = m_qTemporaryDir.filePath(u"program"_s);
    // Device locks of its own: other tests may run the same devices at once.
    CProgramFolder::SetDeviceLockFolder(m_qTemporaryDir.filePath(u"locks"_s));
    QVERIFY(QDir().mkpath(g_qstrAppDirPath));
    for (const char* library : {"libCoreFoundation.so", "libiTunesMobileDevice.so", "libTextLog.so"})
        QVERIFY(QFile::link(QStringLiteral(CORVINA_PROGRAM_DIR "/") + QLatin1String(library),
                            g_qstrAppDirPath + u'/' + QLatin1String(library)));
    QSettings(g_qstrAppDirPath + u"/Corvina.ini"_s, QSettings::IniFormat)
        .setValue(u"/Config/BackupDirectory"_s, m_qstrReadOnly);
    m_qstrLogFile = m_qstrReadOnly + u"/Log/Text/Corvina.log"_s;
    g_baLogFilePath = QFile::encodeName(m_qstrLogFile);
    QString strErrorMessage;
    QVERIFY2(g_CDllTextLogQT.InitDataDll(strErrorMessage), qPrintable(strErrorMessage));
    CToolSettings::SetProgramFolder(g_qstrAppDirPath);

    const QJsonObject jsonSlowBackup{{u"files"_s, 40}, {u"file_delay"_s, 0.1}};
    const QJsonArray jsonOldApps{QJsonObject{{u"id"_s, u"com.example.game"_s}}, QJsonObject{{u"id"_s, u"com.example.mail"_s}}};
    QJsonArray jsonDevices{
        Device(kSlow, u"Slow Phone"_s, {{u"backup"_s, jsonSlowBackup}}),
        Device(kOld, u"Old Phone"_s, {{u"product_version"_s, u"6.1.3"_s}, {u"apps"_s, jsonOldApps},
                                      {u"backup"_s, QJsonObject{{u"files"_s, 20}}}}),
        Device(kTarget, u"Target Phone"_s, {{u"reboot_delay"_s, 0.5}, {u"backup"_s, QJsonObject{{u"file_delay"_s, 0.1}}}})};
    for (const QString& qstrUDID : kChurning)
        jsonDevices.append(Device(qstrUDID, u"Churning "_s + qstrUDID.right(1)));
    QVERIFY2(m_EmulatorProcess.Start(jsonDevices, strErrorMessage), qPrintable(strErrorMessage));
    const QString qstrMadeSets = MakeRestoreSets();
    QVERIFY2(qstrMadeSets.isEmpty(), qPrintable(qstrMadeSets));

    // The library keeps calling the window's handler: the window lives to the end.
    m_pWindow = new Corvina;
    m_pWindow->show();
    m_pPage = m_pWindow->findChild<widgetPrepareProgressResult*>();
    m_qstrShownRoot = Child<QLabel>("labelBackupDirectory")->text();
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetBackupRestore"), kSecondsMs);
}

void TestFaults::cleanupTestCase()
{
    m_EmulatorProcess.Stop();
    // The library reports the devices gone in order, after any arrival still
    // being read: once the table is empty no handler is at work while the
    // process ends (and its crypto library is torn down).
    QTRY_VERIFY_WITH_TIMEOUT(
        [] {
            QList<structDeviceInfo> listDevices;
            return CDeviceTable::Snapshot(listDevices) && listDevices.isEmpty();
        }(),
        30000);
    // As the program does at its end: the instance segment goes with the last user.
    CSingleInstance::Release();
    if (g_bPrivateMounts)
        ::umount2(QFile::encodeName(m_qstrReadOnly).constData(), MNT_DETACH);
}

QString TestFaults::MakeRestoreSets()
{
    // The old device's backup, made by the real tools, with its marker as a
    // backup through the window leaves it, and an encrypted copy. (The
    // selection dialog refuses an unfinished set before any tool runs.)
    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = kOld;
    backup.qstrBackupDirectory = m_qstrRestoreRoot + u'/' + kRestoreSets.at(eiSetComplete);
    backup.bBackupPersonalData = backup.bBackupApps = true;
    QDir().mkpath(backup.qstrBackupDirectory);
    backup.StartRun();
    if (!backup.wait(QDeadlineTimer(kResultTimeoutMs)) || backup.AppFailedCount() != 0
        || !CBackup::WriteBackupFlag(backup.qstrBackupDirectory, kOld))
        return u"the old device's backup failed: "_s + FailureCauseName(backup.FailureCause().eiCause);
    const QString qstrEncrypted = m_qstrRestoreRoot + u'/' + kRestoreSets.at(eiSetEncrypted);
    QFile manifest(qstrEncrypted + u'/' + kOld + u"/Manifest.plist"_s);
    if (!CopyFolder(backup.qstrBackupDirectory, qstrEncrypted) || !manifest.open(QIODevice::WriteOnly))
        return u"the sets could not be copied"_s;
    manifest.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                   "<key>IsEncrypted</key><true/></dict></plist>\n");
    return QString();
}

void TestFaults::init()
{
    // Each case backs up into a root of its own (set folders are named to the
    // second), which holds another device's set and a file of the user's.
    m_qstrBackupRoot = m_qTemporaryDir.filePath(u"backups-"_s + QString::fromUtf8(QTest::currentDataTag()));
    QDir().mkpath(m_qstrBackupRoot + u"/2020-01-01__10_00_00_@_@_Other Phone/00008030"_s);
    CBackup::WriteBackupFlag(m_qstrBackupRoot + u"/2020-01-01__10_00_00_@_@_Other Phone"_s, u"00008030"_s);
    QFile notes(m_qstrBackupRoot + u"/notes.txt"_s);
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("mine") == 4);
    if (!Shows("widgetBackupRestore"))
        emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus,
                                            eiFormDeviceConnectStatus_DeviceBackupRestore);
    m_pPage->SetBackupDirectory(m_qstrBackupRoot);
    m_pPage->SetRestoreDirectory(m_qstrRestoreRoot);
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 3 + kChurning.size(), kSecondsMs);
}

void TestFaults::cleanup()
{
    if (m_pPage->Operation() != nullptr)
        QVERIFY(m_pPage->Operation()->Wait(QDeadlineTimer(kResultTimeoutMs)));
    // Every case leaves every device plugged in and well.
    for (const QString& qstrUDID : QStringList{kSlow, kOld, kTarget} + kChurning) {
        m_EmulatorProcess.Command(u"set_fail"_s, qstrUDID, {{u"fail"_s, QJsonValue()}});
        m_EmulatorProcess.Command(u"attach"_s, qstrUDID);
    }
    if (QTest::currentTestFailed())
        qWarning("emulator trace:\n%s", qPrintable(m_EmulatorProcess.LogText().right(4000)));
}

void TestFaults::Start(bool bRestore, const QString& qstrUDID, bool bApps, int iSet)
{
    Child<QToolButton>(bRestore ? "toolButtonRestore" : "toolButtonBackup")->click();
    auto* tabs = Child<QTabWidget>("tabWidget");
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabBar()->tabData(i).toString() == qstrUDID)
            tabs->setCurrentIndex(i);
    }
    QCOMPARE(tabs->tabBar()->tabData(tabs->currentIndex()).toString(), qstrUDID);
    Child<QCheckBox>(bRestore ? "chkRestorePersonalData" : "chkBackupPersonalData")->setChecked(true);
    Child<QCheckBox>(bRestore ? "chkRestoreGameApp" : "chkBackupGameApp")->setChecked(bApps);
    if (bRestore) {
        // The selection dialog: the set, then OK; a set of another device is
        // restored all the same.
        QTimer::singleShot(300, this, [this, iSet]() {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || dialog->findChild<QListWidget*>(u"listWidgetBackup"_s) == nullptr)
                return;
            dialog->findChild<QListWidget*>(u"listWidgetBackup"_s)->setCurrentRow(iSet);
            auto* ok = dialog->findChild<QPushButton*>(u"btnOK"_s);
            if (QTest::qWaitFor([ok]() { return ok->isEnabled(); }))
                ok->click();
            QTimer::singleShot(300, this, []() {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box != nullptr && box->button(QMessageBox::Yes) != nullptr)
                    box->button(QMessageBox::Yes)->click();
                // Then an encrypted set's password, which the device refuses.
                QTimer::singleShot(300, []() {
                    if (auto* dialog = qobject_cast<dialogBackupPassword*>(QApplication::activeModalWidget())) {
                        dialog->findChild<QLineEdit*>(u"lineEditPassword"_s)->setText(u"not the password"_s);
                        dialog->accept();
                    }
                });
            });
        });
    }
    Child<QPushButton>(bRestore ? "btnRestore" : "btnBackup")->click();
    QVERIFY(Shows("widgetProgress"));
}

void TestFaults::KillTool(bool bRestore, int iFiles, int iSignal)
{
    const auto filesOver = [&] {
        if (bRestore)
            return int(m_EmulatorProcess.DeviceStatus(kTarget).value(u"restored_files"_s).toArray().size());
        return FilesIn(m_qstrBackupRoot);
    };
    QList<qint64> listTools;
    QVERIFY(QTest::qWaitFor([&] { return !(listTools = EmulatorProcess::ToolProcesses()).isEmpty(); }, kSecondsMs));
    const int iFilesBefore = filesOver();
    QVERIFY(QTest::qWaitFor([&] { return filesOver() >= iFilesBefore + iFiles; }, kSecondsMs));
    QCOMPARE(listTools.size(), 1);
    QCOMPARE(::kill(pid_t(listTools.first()), iSignal), 0);
}

void TestFaults::startsDespiteItsSurroundings()
{
    // After a crashed first instance, with a log that cannot be written and
    // a backup root that cannot be written, the window runs and shows the
    // devices and the root it was given.
    QVERIFY(!m_pWindow->MustEnd());
    QCOMPARE(m_qstrShownRoot, m_qstrReadOnly);
    QCOMPARE(Child<QTabWidget>("tabWidget")->count(), 3 + kChurning.size());
    QVERIFY(!QFileInfo::exists(m_qstrLogFile));
    QCOMPARE(QDir(m_qstrReadOnly).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).contains(u"Log"_s), false);
}

void TestFaults::faults_data()
{
    QTest::addColumn<bool>("bRestore");
    QTest::addColumn<QString>("qstrUDID");
    QTest::addColumn<bool>("bApps");
    QTest::addColumn<int>("iSet");
    QTest::addColumn<QJsonValue>("jsonFailure"); // injected into the device before the start
    QTest::addColumn<int>("iKillAfterFiles");     // -1: no kill; else the backup tool is killed once it
                                                  // runs and so many more files went over
    QTest::addColumn<int>("iSignal");
    QTest::addColumn<int>("iCause");
    QTest::addColumn<QString>("qstrDetail");
    const auto failure = [](const char* kind, const char* key = nullptr, const QJsonValue& jsonValue = {}) {
        QJsonObject jsonFailure{{u"kind"_s, QLatin1String(kind)}};
        if (key != nullptr)
            jsonFailure.insert(QLatin1String(key), jsonValue);
        return QJsonValue(jsonFailure);
    };
    const auto lockdown = [](int iCode) { return u"ERROR: Could not connect to lockdownd, error code %1"_s.arg(iCode); };
    const QJsonValue none;
    // The backup tool killed by a signal: the set and its marker stay, nothing else is touched.
    QTest::newRow("backup tool killed at its start") << false << kSlow << false << 0 << none << 0
                                                     << SIGKILL << int(eiFailureCause_ToolCrashed) << u"9"_s;
    QTest::newRow("backup tool killed between files") << false << kSlow << false << 0 << none
                                                      << 12 << SIGKILL
                                                      << int(eiFailureCause_ToolCrashed) << u"9"_s;
    QTest::newRow("backup tool crashes between files") << false << kSlow << false << 0 << none
                                                       << 24 << SIGSEGV
                                                       << int(eiFailureCause_ToolCrashed) << u"11"_s;
    QTest::newRow("restore tool killed at its start") << true << kTarget << false << int(eiSetComplete) << none
                                                      << 0 << SIGKILL
                                                      << int(eiFailureCause_ToolCrashed) << u"9"_s;
    QTest::newRow("restore tool killed between files") << true << kTarget << false << int(eiSetComplete) << none
                                                       << 4 << SIGKILL
                                                       << int(eiFailureCause_ToolCrashed) << u"9"_s;
    // The device unplugged: the tool spins, fails, or the window ends it.
    QTest::newRow("unplugged between files") << false << kSlow << false << 0
                                             << failure("disconnect_after_files", "files", 3) << -1 << 0
                                             << int(eiFailureCause_Disconnected) << QString();
    QTest::newRow("unplugged while its values are read")
        << false << kSlow << false << 0 << failure("unplug_on_get_value") << -1 << 0
        << int(eiFailureCause_NoDevice) << lockdown(-8);
    QTest::newRow("unplugged between restored files")
        << true << kTarget << false << int(eiSetComplete) << failure("disconnect_after_files", "files", 4)
        << -1 << 0 << int(eiFailureCause_Disconnected)
        << u"ERROR: Could not receive from mobilebackup2 (-256)"_s;
    QTest::newRow("unplugged during app installs")
        << true << kTarget << true << int(eiSetComplete) << failure("unplug_during_install") << -1 << 0
        << int(eiFailureCause_NoDevice) << u"No device found with udid "_s + kTarget + u'.';
    // Errors the device reports, and its refusals.
    QTest::newRow("device error 105") << false << kSlow << false << 0 << failure("device_error", "code", 105)
                                      << -1 << 0 << int(eiFailureCause_DiskFull)
                                      << u"ErrorCode 105: Insufficient free disk space on drive to back up (MBErrorDomain/105)"_s;
    QTest::newRow("device error 208") << false << kSlow << false << 0 << failure("device_error", "code", 208)
                                      << -1 << 0 << int(eiFailureCause_DeviceLocked)
                                      << u"ErrorCode 208: Device locked (MBErrorDomain/208)"_s;
    QTest::newRow("device error 211, Find My on") << true << kTarget << false << int(eiSetComplete)
                                                  << failure("device_error", "code", 211) << -1 << 0
                                                  << int(eiFailureCause_FindMyEnabled)
                                                  << u"ErrorCode 211: Find My iPhone must be disabled before restoring (MBErrorDomain/211)"_s;
    QTest::newRow("-17 locked, not paired") << false << kSlow << false << 0 << failure("pair_locked") << -1
                                            << 0 << int(eiFailureCause_NotTrusted) << lockdown(-17);
    QTest::newRow("-18 trust refused") << false << kSlow << false << 0 << failure("pair_denied") << -1 << 0
                                       << int(eiFailureCause_TrustRefused) << lockdown(-18);
    QTest::newRow("-19 trust pending") << false << kSlow << false << 0 << failure("pair_pending") << -1 << 0
                                       << int(eiFailureCause_NotTrusted) << lockdown(-19);
    QTest::newRow("-21 pair record rejected") << false << kSlow << false << 0 << failure("pair_record_rejected")
                                              << -1 << 0 << int(eiFailureCause_NotTrusted) << lockdown(-21);
    QTest::newRow("certificate rejected") << false << kSlow << false << 0 << failure("bad_certificate") << -1
                                          << 0 << int(eiFailureCause_Unknown) << lockdown(-5);
    QTest::newRow("backup service refused")
        << false << kSlow << false << 0 << failure("refuse_service", "service", u"com.apple.mobilebackup2"_s)
        << -1 << 0 << int(eiFailureCause_Unknown) << u"ERROR: Could not start service com.apple.mobilebackup2."_s;
    // Without notification_proxy the tool dies of SIGSEGV, printing nothing.
    QTest::newRow("tool crashes by itself")
        << false << kSlow << false << 0 << failure("refuse_service", "service", u"com.apple.mobile.notification_proxy"_s)
        << -1 << 0 << int(eiFailureCause_ToolCrashed) << u"11"_s;
    // Sets the tool refuses, before it talks to the device.
    QTest::newRow("encrypted set, wrong password") << true << kTarget << false << int(eiSetEncrypted) << none << -1
                                                   << 0 << int(eiFailureCause_WrongPassword)
                                                   << u"ErrorCode 207: Invalid password (MBErrorDomain/207)"_s;
    // No set folder can be made there, and so no marker.
    QTest::newRow("backup root on a read-only folder") << false << kSlow << false << -1 << none << -1 << 0
                                                       << int(eiFailureCause_FolderNotWritable) << QString();
}

void TestFaults::faults()
{
    QFETCH(bool, bRestore);
    QFETCH(QString, qstrUDID);
    QFETCH(bool, bApps);
    QFETCH(int, iSet);
    QFETCH(QJsonValue, jsonFailure);
    QFETCH(int, iKillAfterFiles);
    QFETCH(int, iSignal);
    QFETCH(int, iCause);
    QFETCH(QString, qstrDetail);
    const bool bReadOnlyRoot = !bRestore && iSet < 0; // a backup with set -1: into the read-only folder
    if (bReadOnlyRoot)
        m_pPage->SetBackupDirectory(m_qstrReadOnly);
    const QString qstrRoot = bRestore ? m_qstrRestoreRoot : Child<QLabel>("labelBackupDirectory")->text();
    const QStringList listBefore = QDir(qstrRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    const QByteArray baBefore = bReadOnlyRoot ? QByteArray() : Digest(qstrRoot);
    if (!jsonFailure.isNull())
        QVERIFY(m_EmulatorProcess.Command(u"set_fail"_s, qstrUDID, {{u"fail"_s, jsonFailure}}));
    Start(bRestore, qstrUDID, bApps, iSet);
    if (iKillAfterFiles >= 0)
        KillTool(bRestore, iKillAfterFiles, iSignal);

    // The failure is shown within seconds, with its cause; no tool runs on.
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultFailed"), kSecondsMs);
    QCOMPARE(Child<QLabel>("labelResultFailedCause")->text(),
             CCauseText::CauseText({enumFailureCause(iCause), qstrDetail}));
    QTRY_VERIFY_WITH_TIMEOUT(EmulatorProcess::ToolProcesses().isEmpty(), kSecondsMs);
    if (iCause == eiFailureCause_WrongPassword) {
        // Retry asks again, saying the last one was wrong; cancelling keeps the result.
        QString qstrAsked;
        QTimer::singleShot(300, this, [&qstrAsked]() {
            if (auto* dialog = qobject_cast<dialogBackupPassword*>(QApplication::activeModalWidget())) {
                for (const QLabel* label : dialog->findChildren<QLabel*>())
                    qstrAsked += label->text();
                dialog->reject();
            }
        });
        Child<QPushButton>("btnResultFailedRetry")->click();
        QVERIFY2(qstrAsked.startsWith(u"The password was wrong."_s), qPrintable(qstrAsked));
        QVERIFY(Shows("widgetResultFailed"));
    }

    // A backup leaves its set with the marker and touches nothing else; a
    // restore leaves the sets as they were.
    const QStringList listAfter = QDir(qstrRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (bReadOnlyRoot) {
        QVERIFY(listAfter.filter(u"_@_@_"_s).isEmpty());
        return;
    }
    if (bRestore) {
        QCOMPARE(listAfter, listBefore);
        QCOMPARE(Digest(qstrRoot), baBefore);
        return;
    }
    QCOMPARE(listAfter.size(), listBefore.size() + 1);
    QString qstrSet;
    for (const QString& qstrName : listAfter) {
        if (!listBefore.contains(qstrName))
            qstrSet = qstrRoot + u'/' + qstrName;
    }
    QVERIFY(QFileInfo(qstrSet + u"/BackupFlag.ini"_s).isFile());
    QCOMPARE(Digest(qstrRoot, qstrSet), baBefore);
}

void TestFaults::devicesComeAndGo()
{
    // A hundred arrivals and departures of three devices within a few
    // seconds, through the real driver library.
    QMap<QString, bool> mapAttached;
    for (const QString& qstrUDID : kChurning)
        mapAttached.insert(qstrUDID, true);
    for (int i = 0; i < 100; ++i) {
        const QString& qstrUDID = kChurning.at(i % kChurning.size());
        mapAttached[qstrUDID] = !mapAttached[qstrUDID];
        QVERIFY(m_EmulatorProcess.Command(mapAttached[qstrUDID] ? u"attach"_s : u"detach"_s, qstrUDID));
    }
    // The device table and the selector settle on the devices present.
    QStringList listPresent{kSlow, kOld, kTarget};
    for (const QString& qstrUDID : kChurning) {
        if (mapAttached.value(qstrUDID))
            listPresent.append(qstrUDID);
    }
    listPresent.sort();
    const auto selector = [this] {
        QStringList listUDIDs;
        auto* tabs = Child<QTabWidget>("tabWidget");
        for (int i = 0; i < tabs->count(); ++i)
            listUDIDs.append(tabs->tabBar()->tabData(i).toString());
        listUDIDs.sort();
        return listUDIDs;
    };
    const auto table = [] {
        QList<structDeviceInfo> listDevices;
        QStringList listUDIDs;
        if (CDeviceTable::Snapshot(listDevices)) {
            for (const structDeviceInfo& device : listDevices)
                listUDIDs.append(device.qstrDeviceID);
        }
        return listUDIDs;
    };
    QTRY_COMPARE_WITH_TIMEOUT(selector(), listPresent, kSecondsMs);
    QTRY_COMPARE_WITH_TIMEOUT(table(), listPresent, kSecondsMs);
    // The window keeps answering.
    Child<QToolButton>("toolButtonBackup")->click();
    QVERIFY(Shows("widgetBackup"));
}

// With "--first-instance" this program only takes the single-instance
// segment as a first instance does, says so and waits to be killed. Otherwise,
// run as root, it gives itself a private mount namespace first, so that a
// read-only bind mount can stand for a folder that cannot be written.
int main(int argc, char** argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--first-instance") == 0) {
        QApplication application(argc, argv);
        if (!CSingleInstance::StepA() || !CSingleInstance::StepB(1, []() {}))
            return 1;
        std::printf("ready\n");
        std::fflush(stdout);
        QThread::sleep(120);
        return 0;
    }
    g_bPrivateMounts = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
                       && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    // The instance segment and lock of this test alone.
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication application(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestFaults.moc"
