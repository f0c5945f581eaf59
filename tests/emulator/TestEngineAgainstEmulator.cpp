// The real ThreadDeviceBackup and ThreadDeviceRestore running the real Debian
// idevicebackup2 and ideviceinstaller against the device emulator: a backup of
// an old device, its apps archived, restored onto a current device, and a
// current device that refuses to archive its apps, and the check of the sets
// the tool leaves: files shorter than the manifest, an encrypted set, a set
// without Status.plist. (What else goes wrong on the way is the fault
// suite's, tests/faults.) Then a backup seeded from the one before, under
// each way it can end. An encrypted set restored only with its password,
// which nothing but the tool's standard input ever sees.
#include "CBackup.h"
#include "CBackupSetCheck.h"
#include "AppGlobals.h"
#include "CDllTextLogQT.h"
#include "COperation.h"
#include "EmulatorProcess.h"
#include "ManifestWriter.h"
#include "ScriptedTools.h"
#include "SharedTypes.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"
#include "ThreadEncryptionChange.h"
#include "ThreadSignalRecorder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <thread>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

const QString kOldUDID = u"5e1f0c2d3b4a59687766554433221100ffeee002"_s;
const QString kModernUDID = u"00008030c0ffee0000000000000000000000e001"_s;
const QString kTargetUDID = u"00008030c0ffee0000000000000000000000e003"_s;
const QString kNoAppsUDID = u"00008030c0ffee0000000000000000000000e006"_s;
const QString kPlainUDID = u"00008030c0ffee0000000000000000000000e004"_s;
const QString kEncryptedUDID = u"00008030c0ffee0000000000000000000000e005"_s;
const QString kSnapshotUDID = u"00008030c0ffee0000000000000000000000e008"_s;
const QString kSwitchUDID = u"00008030c0ffee0000000000000000000000e009"_s;
const int kBackupFiles = 6;
const int kFileSize = 2048; // the emulator's default
const int kSnapshotFileSize = 16384;
// What a shell or an argument parser would trip over.
const QString kPassword = u"-p \"it's\" open sesame"_s;

QJsonObject App(const QString& qstrID, const QString& qstrVersion, const QString& qstrName)
{
    QJsonObject jsonApp{{u"id"_s, qstrID}, {u"name"_s, qstrName}};
    if (!qstrVersion.isEmpty())
        jsonApp.insert(u"version"_s, qstrVersion);
    return jsonApp;
}

QStringList JsonStrings(const QJsonObject& jsonStatus, const char* key)
{
    QStringList qstrlist;
    for (const QJsonValue& jsonItem : jsonStatus.value(QLatin1String(key)).toArray())
        qstrlist << jsonItem.toString();
    return qstrlist;
}

// The texts among `needles` that appear in some process's command line or
// environment while it runs: every process is looked at every few milliseconds.
class ProcessWatch
{
public:
    explicit ProcessWatch(const QList<QByteArray>& needles)
        : m_thread([this, needles]() {
              while (!m_bStop) {
                  for (const QFileInfo& info : QDir(u"/proc"_s).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                      for (const char* name : {"cmdline", "environ"}) {
                          const QByteArray baText = ScriptedTools::ReadBytes(info.filePath() + u'/' + QLatin1String(name));
                          for (const QByteArray& baNeedle : needles) {
                              if (baText.contains(baNeedle))
                                  m_iFound = 1 + int(needles.indexOf(baNeedle));
                          }
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    // 0: none seen; else 1 + the index of one seen.
    int Stop()
    {
        m_bStop = true;
        m_thread.join();
        return m_iFound;
    }

private:
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_iFound{0};
    std::thread m_thread;
};

// The files under the folder that hold one of the texts.
QStringList FilesHolding(const QString& qstrFolder, const QList<QByteArray>& needles)
{
    QStringList qstrlistFiles;
    QDirIterator it(qstrFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray baText = ScriptedTools::ReadBytes(it.next());
        for (const QByteArray& baNeedle : needles) {
            if (baText.contains(baNeedle))
                qstrlistFiles << it.filePath();
        }
    }
    return qstrlistFiles;
}

structOperationResult Finished(COperation& operation, bool bStarted)
{
    QSignalSpy spy(&operation, &COperation::signal_Finished);
    if (!bStarted || !spy.wait(120000))
        return {};
    return spy.first().first().value<structOperationResult>();
}

template <class ThreadT>
bool RunToEnd(ThreadT& thread, ThreadSignalRecorder& recorder)
{
    recorder.Watch(&thread);
    thread.StartRun();
    return recorder.WaitUntilDone(&thread) && recorder.ResultCount() == 1;
}

} // namespace

class TestEngineAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_EmulatorProcess.Stop(); }
    void oldDeviceBackedUpAndRestoredOntoACurrentOne();
    void currentDeviceRefusesToArchiveApps();
    void longDeviceNameIsCut();
    void setCheckedAfterTheTool_data();
    void setCheckedAfterTheTool();
    void seededBackupLeavesTheOlderSetAlone_data();
    void seededBackupLeavesTheOlderSetAlone();
    void encryptedSetRestoredOnlyWithItsPassword();
    void encryptionTurnedOnChangedAndOff();

private:
    // A new set folder for the device, named as the backup page names it.
    QString NewSet(const QString& qstrDeviceName) const;

    EmulatorProcess m_EmulatorProcess;
    // The tools echo the set folder, which carries the user's root and the
    // device's name: neither is read as the tools' own words.
    QTemporaryDir m_qTemporaryDirRoot{QDir::tempPath() + u"/Error reports Finished-XXXXXX"_s};
};

void TestEngineAgainstEmulator::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty())
        QSKIP(qPrintable(u"the libimobiledevice tools are not installed (%1 missing); scripts/install-deps installs them"_s
                             .arg(qstrlistMissing.join(u", "_s))));
    RegisterSharedMetaTypes();
    COperation::RegisterMetaTypes();
    QVERIFY(m_qTemporaryDirRoot.isValid());
    // The old device speaks without TLS; the restore's target has never been
    // paired with this computer, so the tools pair it first. A short pause
    // per file spreads the progress over several polling passes.
    const QJsonArray jsonOldApps{App(u"com.example.game"_s, u"1.0"_s, u"Game"_s),
                                 App(u"com.example.mail"_s, QString(), u"Mail"_s),
                                 App(u"com.example.tests"_s, u"2.0"_s, u"Failed Tests"_s),
                                 App(u"com.example.cafe"_s, u"1.1"_s, u"Café 日本"_s)};
    const QJsonObject jsonBackup{{u"files"_s, kBackupFiles}, {u"files_per_message"_s, 2}, {u"file_delay"_s, 0.1}};
    const QJsonObject jsonOld{{u"udid"_s, kOldUDID}, {u"name"_s, u"Failed Phone"_s}, {u"product_version"_s, u"6.1.3"_s},
                              {u"tls"_s, false}, {u"apps"_s, jsonOldApps}, {u"backup"_s, jsonBackup}};
    const QJsonObject jsonTarget{{u"udid"_s, kTargetUDID}, {u"product_version"_s, u"17.5"_s}, {u"paired"_s, false},
                                 {u"reboot_delay"_s, 0.5}};
    const QJsonObject jsonModern{{u"udid"_s, kModernUDID}, {u"name"_s, u"Modern: Phone*"_s},
                                 {u"product_version"_s, u"16.4.1"_s},
                                 {u"apps"_s, QJsonArray{App(u"com.example.notes"_s, u"1.0"_s, u"Notes"_s),
                                                        App(u"com.example.weather"_s, u"1.0"_s, u"Weather"_s),
                                                        App(u"com.example.maps"_s, u"1.0"_s, u"Maps"_s)}}};
    const QJsonObject jsonPlain{{u"udid"_s, kPlainUDID}, {u"name"_s, u"Plain Phone"_s}};
    const QJsonObject jsonSnapshot{
        {u"udid"_s, kSnapshotUDID},
        {u"backup"_s, QJsonObject{{u"files"_s, 8}, {u"file_size"_s, kSnapshotFileSize}, {u"files_per_message"_s, 1},
                                  {u"file_delay"_s, 0.1}}}};
    const QJsonObject jsonEncrypted{{u"udid"_s, kEncryptedUDID},
                                    {u"name"_s, u"Locked Phone"_s},
                                    {u"backup"_s, QJsonObject{{u"encrypted"_s, true}, {u"password"_s, kPassword}}}};
    QString strErrorMessage;
    // And a device without apps.
    const QJsonObject jsonNoApps{{u"udid"_s, kNoAppsUDID}, {u"product_version"_s, u"17.5"_s}};
    QVERIFY2(m_EmulatorProcess.Start({jsonOld, jsonTarget, jsonModern, jsonNoApps, jsonPlain, jsonEncrypted, jsonSnapshot,
                                      QJsonObject{{u"udid"_s, kSwitchUDID}}},
                                     strErrorMessage),
             qPrintable(strErrorMessage));
}

QString TestEngineAgainstEmulator::NewSet(const QString& qstrDeviceName) const
{
    const QString qstrSet = CBackup::JoinPath(QDir::toNativeSeparators(m_qTemporaryDirRoot.path()),
                                              CBackup::SetFolderName(QDateTime::currentDateTime(), qstrDeviceName));
    QDir().mkpath(qstrSet);
    return qstrSet;
}

void TestEngineAgainstEmulator::oldDeviceBackedUpAndRestoredOntoACurrentOne()
{
    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = kOldUDID;
    backup.qstrBackupDirectory = NewSet(u"Failed Phone"_s);
    backup.bBackupPersonalData = backup.bBackupApps = true;
    ThreadSignalRecorder backupRecorder;
    QVERIFY(RunToEnd(backup, backupRecorder));
    QCOMPARE(backupRecorder.FinalResult(), 1);
    QCOMPARE(backup.AppFailedCount(), 0);
    const QList<int> listPersonal = backupRecorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(listPersonal.size() > 1 && std::is_sorted(listPersonal.begin(), listPersonal.end()));
    QCOMPARE(listPersonal.last(), 50);
    // The check found every file of the manifest at its recorded size.
    const structSetCheck structChecked = backup.SetCheck();
    QCOMPARE(int(structChecked.eiState), int(eiSetState_Complete));
    QCOMPARE(structChecked.iFileCount, qint64(kBackupFiles));
    QCOMPARE(structChecked.iTotalBytes, qint64(kBackupFiles) * kFileSize);
    QVERIFY(!structChecked.bEncrypted);
    QCOMPARE(structChecked.qstrDeviceName, u"Failed Phone"_s);
    QCOMPARE(structChecked.qstrProductVersion, u"6.1.3"_s);
    QCOMPARE(backupRecorder.Progress(eiStepBackupRestore_Apps), (QList<int>{50, 62, 75, 87}));
    const QDir qDirSet(backup.qstrBackupDirectory);
    for (const char* name : {"Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"})
        QVERIFY2(QFileInfo(qDirSet.filePath(kOldUDID + u'/' + QLatin1String(name))).size() > 0, name);
    QCOMPARE(ScriptedTools::ReadBytes(qDirSet.filePath(u"IPA_Backup/IpaList.txt"_s)),
             "com.example.game.ipa\r\ncom.example.mail.ipa\r\ncom.example.tests.ipa\r\ncom.example.cafe.ipa\r\n");
    for (const char* app : {"game", "mail", "tests", "cafe"})
        QVERIFY2(ScriptedTools::ReadBytes(qDirSet.filePath(u"IPA_Backup/com.example."_s + QLatin1String(app) + u".ipa"_s))
                     .startsWith("PK"),
                 app);
    // The device keeps its apps and no archive is left on it.
    const QJsonObject jsonOld = m_EmulatorProcess.DeviceStatus(kOldUDID);
    QCOMPARE(jsonOld.value(u"apps"_s).toArray().size(), 4);
    QVERIFY(JsonStrings(jsonOld, "media_files").filter(u"ApplicationArchives/"_s).isEmpty());

    // Restored onto the current device as the restore page does: the set's
    // marker names the source and the apps folder.
    QVERIFY(CBackup::WriteBackupFlag(backup.qstrBackupDirectory, kOldUDID));
    ThreadDeviceRestore restore;
    restore.qstrDeviceUDID = kTargetUDID;
    restore.qstrBackupDirectory = backup.qstrBackupDirectory;
    CBackup::ReadBackupFlag(restore.qstrBackupDirectory, restore.qstrDataFolderName, restore.qstrIPAFolderName);
    restore.bRestorePersonalData = restore.bRestoreApps = true;
    const QJsonObject jsonBefore = m_EmulatorProcess.DeviceStatus(kTargetUDID);
    ThreadSignalRecorder restoreRecorder;
    QVERIFY(RunToEnd(restore, restoreRecorder));
    QCOMPARE(restoreRecorder.FinalResult(), 1);
    QCOMPARE(restore.AppFailedCount(), 0);
    QCOMPARE(restoreRecorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
    QCOMPARE(restoreRecorder.Progress(eiStepBackupRestore_PersonalData).last(), 37 + 50);

    // Apps first, then the old device's personal data, then the reboot.
    const QJsonObject jsonTarget = m_EmulatorProcess.DeviceStatus(kTargetUDID);
    const QStringList qstrlistEvents = JsonStrings(jsonTarget, "events").mid(JsonStrings(jsonBefore, "events").size());
    const auto indexOf = [&qstrlistEvents](const QString& qstrPrefix) {
        const auto found = std::find_if(qstrlistEvents.begin(), qstrlistEvents.end(),
                                        [&qstrPrefix](const QString& qstr) { return qstr.startsWith(qstrPrefix); });
        return found == qstrlistEvents.end() ? -1 : int(found - qstrlistEvents.begin());
    };
    QVERIFY2(0 <= indexOf(u"installed com.example.game"_s)
                 && indexOf(u"installed com.example.game"_s) < indexOf(u"installed com.example.cafe"_s)
                 && indexOf(u"installed com.example.cafe"_s) < indexOf(u"restore finished"_s),
             qPrintable(qstrlistEvents.join(u" | "_s)));
    const QStringList qstrlistRestored = JsonStrings(jsonTarget, "restored_files");
    QVERIFY(qstrlistRestored.contains(kOldUDID + u"/Manifest.db"_s));
    QCOMPARE(std::count_if(qstrlistRestored.begin(), qstrlistRestored.end(),
                           [](const QString& s) { return s.startsWith(kOldUDID + u'/') && s.count(u'/') == 2; }),
             qsizetype(kBackupFiles));
    // The device reboots once the tool has hung up, and comes back.
    const int iRebootsBefore = EmulatorProcess::Counter(jsonBefore, "reboots");
    QVERIFY(m_EmulatorProcess.WaitForDevice(
        kTargetUDID,
        [iRebootsBefore](const QJsonObject& jsonDevice) {
            return EmulatorProcess::Counter(jsonDevice, "reboots") == iRebootsBefore + 1
                   && jsonDevice.value(u"attached"_s).toBool();
        },
        15000));
}

void TestEngineAgainstEmulator::currentDeviceRefusesToArchiveApps()
{
    // iOS 7 and later refuse to archive for good: every app fails at its one
    // try and says why; its list names every app. Without the personal data
    // nothing was saved: the backup fails, as it does for a device without apps.
    const int iArchivesBefore = m_EmulatorProcess.Counter(kModernUDID, "archives");
    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = kModernUDID;
    backup.qstrBackupDirectory = NewSet(u"Modern: Phone*"_s);
    backup.bBackupApps = true;
    ThreadSignalRecorder recorder;
    QVERIFY(RunToEnd(backup, recorder));
    QCOMPARE(recorder.FinalResult(), 0);
    QCOMPARE(FailureCauseName(backup.FailureCause().eiCause), FailureCauseName(eiFailureCause_NoAppSaved));
    QCOMPARE(backup.AppFailedCount(), 3);
    QCOMPARE(FailureCauseName(backup.AppsFailureCause().eiCause), FailureCauseName(eiFailureCause_AppsUnsupported));
    QCOMPARE(backup.AppsFailureCause().qstrDetail, u"ERROR: Archive failed. Got error \"UnknownCommand\"."_s);
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "archives"), iArchivesBefore + 3);
    QCOMPARE(recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 33, 66}));
    const QDir qDirApps(QDir(backup.qstrBackupDirectory).filePath(u"IPA_Backup"_s));
    QCOMPARE(ScriptedTools::ReadBytes(qDirApps.filePath(u"IpaList.txt"_s)),
             "com.example.notes.ipa\r\ncom.example.weather.ipa\r\ncom.example.maps.ipa\r\n");
    QCOMPARE(qDirApps.entryList(QDir::Files), QStringList{u"IpaList.txt"_s});
    // Such a set lists apps without archives: restoring only its apps
    // restores nothing, which is a failure that says so, not failed apps.
    ThreadDeviceRestore restore;
    restore.qstrDeviceUDID = kModernUDID;
    restore.qstrBackupDirectory = backup.qstrBackupDirectory;
    restore.qstrIPAFolderName = u"IPA_Backup"_s;
    restore.bRestoreApps = true;
    const int iInstallsBefore = m_EmulatorProcess.Counter(kModernUDID, "installs");
    QVERIFY(RunToEnd(restore, recorder));
    QCOMPARE(recorder.FinalResult(), 0);
    QCOMPARE(FailureCauseName(restore.FailureCause().eiCause), FailureCauseName(eiFailureCause_NoAppArchives));
    QVERIFY(restore.SetHoldsNoArchives() && restore.AppFailedCount() == 0);
    QCOMPARE(m_EmulatorProcess.Counter(kModernUDID, "installs"), iInstallsBefore);
    backup.qstrDeviceUDID = kNoAppsUDID;
    QVERIFY(recorder.StartAndWait(&backup));
    QCOMPARE(recorder.FinalResult(), 0);
    QCOMPARE(FailureCauseName(backup.FailureCause().eiCause), FailureCauseName(eiFailureCause_NoApps));
}

void TestEngineAgainstEmulator::longDeviceNameIsCut()
{
    // With the date, 76 Chinese characters and an emoji (a surrogate pair)
    // pass the 255 bytes a Linux file system takes per name: the name part is
    // cut before the pair, and the set is written, listed and marked as usual.
    const QString qstrKept(76, QChar(0x6C49));
    const QString qstrName = qstrKept + u"\U0001F600 and more"_s;
    const QString qstrUDID = u"00008030c0ffee0000000000000000000000e007"_s;
    QVERIFY(m_EmulatorProcess.Control({{u"cmd"_s, u"add"_s}, {u"device"_s, QJsonObject{{u"udid"_s, qstrUDID},
                                                                                     {u"name"_s, qstrName}}}}));
    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = qstrUDID;
    backup.qstrBackupDirectory = NewSet(qstrName);
    backup.bBackupPersonalData = true;
    ThreadSignalRecorder recorder;
    QVERIFY(RunToEnd(backup, recorder));
    QCOMPARE(recorder.FinalResult(), 1);
    QVERIFY(CBackup::WriteBackupFlag(backup.qstrBackupDirectory, qstrUDID));
    const QString qstrSet = QFileInfo(backup.qstrBackupDirectory).fileName();
    QCOMPARE(qstrSet.section(u"_@_@_"_s, 1), qstrKept);
    QVERIFY(CBackup::QStrGetAllBackupDirectory(m_qTemporaryDirRoot.path()).contains(qstrSet));
    QString qstrDataFolderName;
    QString qstrIPAFolderName;
    CBackup::ReadBackupFlag(backup.qstrBackupDirectory, qstrDataFolderName, qstrIPAFolderName);
    QCOMPARE(qstrDataFolderName, qstrUDID);
}

void TestEngineAgainstEmulator::setCheckedAfterTheTool_data()
{
    QTest::addColumn<QString>("udid");
    QTest::addColumn<QJsonObject>("fail");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<qint64>("failing");
    // A full disk: the tool reports success while two files fall short.
    QTest::newRow("files shorter than the manifest")
        << kPlainUDID << QJsonObject{{u"kind"_s, u"short_files"_s}, {u"files"_s, 2}} << 0 << u"SetUnsound"_s
        << int(eiSetState_Damaged) << false << qint64(2);
    QTest::newRow("encrypted set") << kEncryptedUDID << QJsonObject() << 1 << u"None"_s << int(eiSetState_Complete)
                                   << true << qint64(0);
    // The tool itself refuses a set without Status.plist: no check follows (state -1).
    QTest::newRow("missing Status.plist") << kPlainUDID << QJsonObject{{u"kind"_s, u"no_status"_s}} << 0
                                          << u"BackupIncomplete"_s << -1 << false << qint64(0);
}

void TestEngineAgainstEmulator::setCheckedAfterTheTool()
{
    QFETCH(QString, udid);
    QFETCH(QJsonObject, fail);
    QFETCH(int, result);
    QFETCH(QString, cause);
    QFETCH(int, state);
    QFETCH(bool, encrypted);
    QFETCH(qint64, failing);
    QVERIFY(m_EmulatorProcess.Command(u"set_fail"_s, udid,
                                      {{u"fail"_s, fail.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(fail)}}));
    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = udid;
    backup.qstrBackupDirectory = NewSet(u"Phone"_s);
    backup.bBackupPersonalData = true;
    ThreadSignalRecorder recorder;
    QVERIFY(RunToEnd(backup, recorder));
    QCOMPARE(recorder.FinalResult(), result);
    QCOMPARE(QString::fromLatin1(FailureCauseName(backup.FailureCause().eiCause)), cause);
    const structSetCheck structChecked = backup.SetCheck();
    if (state < 0)
        return;
    QCOMPARE(int(structChecked.eiState), state);
    QCOMPARE(structChecked.bEncrypted, encrypted);
    QCOMPARE(structChecked.iFailingCount, failing);
    if (failing > 0) {
        QCOMPARE(backup.FailureCause().qstrDetail, QString::number(failing));
        QCOMPARE(structChecked.qstrlistFirstFailing.size(), failing);
    }
    if (result == 1)
        QCOMPARE(structChecked.iTotalBytes, qint64(kBackupFiles) * kFileSize);
}

void TestEngineAgainstEmulator::seededBackupLeavesTheOlderSetAlone_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("finished") << QString();
    // The device refuses before it has sent anything: the set is as seeded.
    QTest::newRow("failed") << u"device error"_s;
    QTest::newRow("cancelled") << u"cancel"_s;
    QTest::newRow("killed") << u"kill"_s;
}

void TestEngineAgainstEmulator::seededBackupLeavesTheOlderSetAlone()
{
    QFETCH(QString, fault);
    // A root of its own: the device's last set there is this row's first.
    const QTemporaryDir qTemporaryDirRoot;
    const auto newSet = [&qTemporaryDirRoot](int iNumber) {
        const QString qstrSet = QDir(qTemporaryDirRoot.path()).filePath(u"2026-01-0%1__10_00_00_@_@_Phone"_s.arg(iNumber));
        QDir().mkpath(qstrSet);
        return qstrSet;
    };
    ThreadDeviceBackup first;
    first.qstrDeviceUDID = kSnapshotUDID;
    first.qstrBackupDirectory = newSet(1);
    first.bBackupPersonalData = first.bCopyOnlyChanges = true;
    ThreadSignalRecorder recorder;
    const int iBytesBefore = m_EmulatorProcess.Counter(kSnapshotUDID, "bytes_sent");
    QVERIFY(RunToEnd(first, recorder));
    QCOMPARE(recorder.FinalResult(), 1);
    QCOMPARE(int(first.SeedRoad()), int(eiSeedRoad_Full));
    QVERIFY(CBackup::WriteBackupFlag(first.qstrBackupDirectory, kSnapshotUDID));
    const int iFirstBytes = m_EmulatorProcess.Counter(kSnapshotUDID, "bytes_sent") - iBytesBefore;
    const QByteArray digestBefore = ManifestWriter::FolderDigest(first.qstrBackupDirectory);

    QVERIFY(m_EmulatorProcess.Command(u"change_data"_s, kSnapshotUDID,
                                      {{u"changed"_s, 3}, {u"removed"_s, 1}, {u"added"_s, 2}}));
    if (fault == u"device error"_s)
        QVERIFY(m_EmulatorProcess.Command(u"set_fail"_s, kSnapshotUDID,
                                          {{u"fail"_s, QJsonObject{{u"kind"_s, u"device_error"_s}, {u"code"_s, 105}}}}));
    ThreadDeviceBackup second;
    second.qstrDeviceUDID = kSnapshotUDID;
    second.qstrBackupDirectory = newSet(2);
    second.bBackupPersonalData = second.bCopyOnlyChanges = true;
    const int iSecondBefore = m_EmulatorProcess.Counter(kSnapshotUDID, "bytes_sent");
    recorder.Clear();
    recorder.Watch(&second);
    second.StartRun();
    if (fault == u"cancel"_s || fault == u"kill"_s) {
        // Half-way: the device has sent a changed file.
        QVERIFY(m_EmulatorProcess.WaitForDevice(
            kSnapshotUDID,
            [iSecondBefore](const QJsonObject& jsonDevice) {
                return EmulatorProcess::Counter(jsonDevice, "bytes_sent") > iSecondBefore + kSnapshotFileSize;
            },
            20000));
        if (fault == u"cancel"_s)
            second.CancelRunningTool();
        for (const qint64 iPid : EmulatorProcess::ToolProcesses())
            if (fault == u"kill"_s)
                ::kill(pid_t(iPid), SIGKILL);
    }
    QVERIFY(recorder.WaitUntilDone(&second));
    QVERIFY(m_EmulatorProcess.Command(u"set_fail"_s, kSnapshotUDID, {{u"fail"_s, QJsonValue(QJsonValue::Null)}}));
    QCOMPARE(recorder.FinalResult(), fault.isEmpty() ? 1 : 0);
    QCOMPARE(int(second.SeedRoad()), int(eiSeedRoad_Linked));
    QCOMPARE(ManifestWriter::FolderDigest(first.qstrBackupDirectory), digestBefore);
    const QString qstrData = QDir(second.qstrBackupDirectory).filePath(kSnapshotUDID);
    const structSetCheck check = CBackupSetCheck::Check(qstrData);
    QCOMPARE(int(check.eiState), int(fault.isEmpty() ? eiSetState_Complete : eiSetState_Unfinished));
    // Not even the tool takes an unfinished seeded set for a finished one.
    QCOMPARE(ScriptedTools::ReadBytes(qstrData + u"/Status.plist"_s).contains("finished"), fault.isEmpty());
    if (!fault.isEmpty())
        return;
    // Only the changes came over the wire, and the gone file went from the new set alone.
    const int iSecondBytes = m_EmulatorProcess.Counter(kSnapshotUDID, "bytes_sent") - iSecondBefore;
    QVERIFY2(iSecondBytes > 5 * kSnapshotFileSize && iSecondBytes < iFirstBytes - 2 * kSnapshotFileSize,
             qPrintable(u"%1 then %2 bytes"_s.arg(iFirstBytes).arg(iSecondBytes)));
    QCOMPARE(check.iFileCount, qint64(8 - 1 + 2));
    QDirIterator it(qstrData, QDir::Files, QDirIterator::Subdirectories);
    qint64 iFilesOnDisk = 0;
    for (; it.hasNext(); it.next())
        ++iFilesOnDisk;
    QCOMPARE(iFilesOnDisk, check.iFileCount + 4); // and Info, Status, Manifest.plist, Manifest.db
    const structTransfer transfer = second.Transfer();
    // All but the four files that did not change.
    QVERIFY(transfer.iSetBytes > check.iTotalBytes);
    QCOMPARE(transfer.iTransferredBytes, transfer.iSetBytes - 4 * kSnapshotFileSize);
}

QTEST_GUILESS_MAIN(TestEngineAgainstEmulator)
#include "TestEngineAgainstEmulator.moc"

void TestEngineAgainstEmulator::encryptedSetRestoredOnlyWithItsPassword()
{
    structOperationRequest request;
    request.qstrDeviceUDID = kEncryptedUDID;
    request.qstrDeviceName = u"Locked Phone"_s;
    request.qstrBackupRoot = QDir::toNativeSeparators(m_qTemporaryDirRoot.path());
    COperation backup(request);
    const structOperationResult backedUp = Finished(backup, backup.Start());
    QVERIFY(backedUp.bSucceeded);
    QVERIFY(backedUp.structSetCheckThis.bEncrypted);

    // The log goes to a file of this test's, which is searched too.
    QTemporaryDir dirLog;
    const QByteArray baSavedLog = g_baLogFilePath;
    g_baLogFilePath = QFile::encodeName(dirLog.filePath(u"Corvina.log"_s));
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    QString strErrorMessage;
    QVERIFY2(g_CDllTextLogQT.InitDataDll(strErrorMessage), qPrintable(strErrorMessage));
    const QString qstrWrong = u"-x \u00fc 'wrong' \"pw\" 2"_s;
    const QList<QByteArray> needles{qstrWrong.toUtf8(), kPassword.toUtf8()};
    request.bRestore = true;
    request.qstrSet = backedUp.qstrSet;
    request.qstrPassword = qstrWrong;
    COperation restore(request);
    ProcessWatch watch(needles);
    const structOperationResult refused = Finished(restore, restore.Start());
    restore.SetPassword(kPassword);
    const qsizetype iFilesBefore = JsonStrings(m_EmulatorProcess.DeviceStatus(kEncryptedUDID), "restored_files").size();
    const structOperationResult restored = Finished(restore, restore.Retry());
    const int iSeen = watch.Stop();
    g_CDllTextLogQT.m_pfnWriteLogLPCSTR = nullptr;
    g_baLogFilePath = baSavedLog;

    QCOMPARE(FailureCauseName(refused.structCause.eiCause), FailureCauseName(eiFailureCause_WrongPassword));
    QVERIFY2(restored.bSucceeded, FailureCauseName(restored.structCause.eiCause));
    // The manifests and the status, then every file: the device read the set with the password.
    QCOMPARE(JsonStrings(m_EmulatorProcess.DeviceStatus(kEncryptedUDID), "restored_files").size() - iFilesBefore,
             3 + kBackupFiles);
    QCOMPARE(iSeen, 0);
    QVERIFY(QFileInfo(dirLog.filePath(u"Corvina.log"_s)).size() > 0);
    QCOMPARE(FilesHolding(dirLog.path(), needles), QStringList());
    QCOMPARE(FilesHolding(m_qTemporaryDirRoot.path(), needles), QStringList());
}

void TestEngineAgainstEmulator::encryptionTurnedOnChangedAndOff()
{
    struct structStep
    {
        enumEncryptionChange eiChange;
        QString qstrOld;
        QString qstrNew;
        enumFailureCause eiCause;
        bool bEncryptedAfter;
    };
    const QString qstrSecond = u"second one"_s;
    const structStep aSteps[] = {
        {eiEncryptionChange_On, QString(), kPassword, eiFailureCause_None, true},
        {eiEncryptionChange_Password, u"not it"_s, qstrSecond, eiFailureCause_WrongPassword, true},
        {eiEncryptionChange_Password, kPassword, qstrSecond, eiFailureCause_None, true},
        {eiEncryptionChange_Off, kPassword, QString(), eiFailureCause_WrongPassword, true},
        {eiEncryptionChange_Off, qstrSecond, QString(), eiFailureCause_None, false},
    };
    for (const structStep& step : aSteps) {
        ThreadEncryptionChange change;
        change.qstrDeviceUDID = kSwitchUDID;
        change.eiChange = step.eiChange;
        change.qstrOldPassword = step.qstrOld;
        change.qstrNewPassword = step.qstrNew;
        QSignalSpy spy(&change, &ThreadEncryptionChange::signal_Finished);
        change.start();
        QVERIFY(spy.wait(60000));
        const structFailureCause cause = spy.first().at(1).value<structFailureCause>();
        QCOMPARE(FailureCauseName(cause.eiCause), FailureCauseName(step.eiCause));
        QCOMPARE(spy.first().first().toBool(), step.eiCause == eiFailureCause_None);
        QCOMPARE(m_EmulatorProcess.DeviceStatus(kSwitchUDID).value(u"will_encrypt"_s).toBool(), step.bEncryptedAfter);
        QVERIFY(change.wait(10000));
    }
}
