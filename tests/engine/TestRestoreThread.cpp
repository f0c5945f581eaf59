// ThreadDeviceRestore against the fake tools: installing the listed archives,
// restoring the personal data, progress, the one result, the arguments the
// tools receive; and a backup into a fresh root restored from again.
#include "AppGlobals.h"
#include "CBackup.h"
#include "CStaticPubFunc.h"
#include "FakeToolSession.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"
#include "ThreadSignalRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString qstrTarget = u"00008030-00112233445566AA"_s;
const QString qstrSource = u"00008101-000A1B2C3D4E5F60"_s;
const QString qstrSetName = u"root/2024-03-07__14_05_09_@_@_Test iPhone"_s;

// A set as a backup leaves it: its marker, the source's personal data and
// archives listed in IPA_Backup/IpaList.txt.
struct RestorableSet
{
    RestorableSet(const FakeToolSession& session, const QStringList& listArchives)
        : qstrSet(session.MakeDataFolder(qstrSetName, qstrSource))
        , qstrApps(session.MakeDir(qstrSetName + u"/IPA_Backup"_s))
    {
        CBackup::WriteBackupFlag(qstrSet, qstrSource);
        QByteArray baList;
        for (const QString& qstrID : listArchives) {
            FakeToolSession::WriteAppArchive(Archive(qstrID + u".ipa"_s), qstrID);
            baList += qstrID.toLatin1() + ".ipa\r\n";
        }
        FakeToolSession::WriteBytes(Archive(u"IpaList.txt"_s), baList);
    }

    QString Archive(const QString& qstrName) const { return qstrApps + QLatin1Char('/') + qstrName; }

    QString qstrSet;
    QString qstrApps;
};

struct RestoreRun
{
    RestoreRun(const QString& qstrSet, bool bPersonalData, bool bApps, const QString& qstrDataFolder = qstrSource)
    {
        thread.qstrDeviceUDID = qstrTarget;
        thread.qstrDataFolderName = qstrDataFolder;
        thread.qstrBackupDirectory = qstrSet;
        thread.qstrIPAFolderName = u"IPA_Backup"_s;
        thread.bRestorePersonalData = bPersonalData;
        thread.bRestoreApps = bApps;
        recorder.Watch(&thread);
    }

    bool Run() { return recorder.StartAndWait(&thread); }

    ThreadDeviceRestore thread;
    ThreadSignalRecorder recorder;
};

QStringList InstallArguments(const QString& qstrArchive)
{
    return QStringList{u"-u"_s, qstrTarget, u"-i"_s, qstrArchive};
}

QStringList RestoreArguments(const QString& qstrSet)
{
    return QStringList{u"-u"_s,       qstrTarget, u"-s"_s, qstrSource,
                       u"restore"_s,  u"--reboot"_s, u"--system"_s, qstrSet};
}

// Compared by name, so that a failure reads plainly.
#define COMPARE_CAUSE(actual, expected)                                                                                \
    QCOMPARE(FailureCauseName((actual).eiCause), FailureCauseName(enumFailureCause(expected)))

// The personal-data values of a restore after apps: 37 plus half of each tool percentage.
void VerifyAfterApps(const QList<int>& listPersonal)
{
    const QList<int> listTool = FakeToolSession::ToolPercentages();
    QVERIFY(!listPersonal.isEmpty());
    for (const int iValue : listPersonal)
        QVERIFY2(listTool.contains((iValue - 37) * 2) || listTool.contains((iValue - 37) * 2 + 1),
                 qPrintable(QTest::toString(listPersonal)));
    QCOMPARE(listPersonal.last(), 87);
}

} // namespace

class TestRestoreThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterSharedMetaTypes(); }
    void appsAndPersonalData();
    void withoutSourceUdid();
    void personalDataOutcomes_data();
    void personalDataOutcomes();
    void ipaListEntries();
    void craftedSets();
    void appsThatFail();
    void endRunningTool();
    void backupThenRestore();
};

void TestRestoreThread::appsAndPersonalData()
{
    FakeToolSession session;
    const RestorableSet set(session, FakeToolSession::DeviceApps());
    RestoreRun run(set.qstrSet, true, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
    VerifyAfterApps(run.recorder.Progress(eiStepBackupRestore_PersonalData));
    // Apps first, then the personal data; the result last.
    QCOMPARE(run.recorder.listEvents.first().iStepOrStatus, int(eiStepBackupRestore_Apps));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);

    QList<QStringList> listExpected;
    for (const QString& qstrID : FakeToolSession::DeviceApps())
        listExpected.append(QStringList{u"ideviceinstaller"_s}
                            + InstallArguments(set.Archive(qstrID + u".ipa"_s)));
    listExpected.append(QStringList{u"idevicebackup2"_s} + RestoreArguments(set.qstrSet));
    QCOMPARE(session.Runs(), listExpected);
    QCOMPARE(session.InstalledApps(), FakeToolSession::DeviceApps());

    // A marker naming an apps or data folder outside the set fails the
    // restore before any tool.
    run.thread.qstrIPAFolderName = u"../2024-03-07__14_05_09_@_@_Test iPhone/IPA_Backup"_s;
    QVERIFY(run.Run());
    run.thread.bRestoreApps = false;
    run.thread.qstrDataFolderName = u"../2024-03-07__14_05_09_@_@_Test iPhone/"_s + qstrSource;
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.listEvents.size(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    COMPARE_CAUSE(run.thread.FailureCause(), eiFailureCause_BackupIncomplete);
    QCOMPARE(session.Runs().size(), listExpected.size());
}

void TestRestoreThread::withoutSourceUdid()
{
    // No source given: the tool restores the target's own data, and "-s" is left out.
    FakeToolSession session;
    const QString qstrSet = session.MakeDataFolder(qstrSetName, qstrTarget);
    RestoreRun run(qstrSet, true, false, QString());
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(session.RunsOf(u"idevicebackup2"_s),
             (QList<QStringList>{{u"-u"_s, qstrTarget, u"restore"_s,
                                  u"--reboot"_s, u"--system"_s, qstrSet}}));
}

void TestRestoreThread::personalDataOutcomes_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<QString>("qstrRemove"); // file of the source data to take away
    QTest::addColumn<int>("iResult");
    QTest::addColumn<int>("iCause");
    QTest::newRow("success") << ""
                             << "" << 1 << int(eiFailureCause_None);
    QTest::newRow("disconnect") << "disconnect"
                                << "" << 0 << int(eiFailureCause_Disconnected);
    QTest::newRow("no device") << "no-device"
                               << "" << 0 << int(eiFailureCause_NoDevice);
    QTest::newRow("Finished, then aborted") << "finished-then-abort"
                                            << "" << 0 << int(eiFailureCause_Unknown);
    QTest::newRow("Finished, then a crash") << "crash"
                                            << "" << 0 << int(eiFailureCause_ToolCrashed);
    QTest::newRow("error word split across reads") << "split-failed"
                                                   << "" << 0 << int(eiFailureCause_Unknown);
    QTest::newRow("Finished split across reads") << "split-finished"
                                                 << "" << 1 << int(eiFailureCause_None);
    // What a failed first backup leaves: the real tool aborts (SIGABRT).
    QTest::newRow("set without Manifest.plist") << ""
                                                << "Manifest.plist" << 0 << int(eiFailureCause_BackupIncomplete);
    QTest::newRow("set without Info.plist") << ""
                                            << "Info.plist" << 0 << int(eiFailureCause_BackupIncomplete);
}

void TestRestoreThread::personalDataOutcomes()
{
    QFETCH(QString, qstrScenario);
    QFETCH(QString, qstrRemove);
    QFETCH(int, iResult);
    QFETCH(int, iCause);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    const RestorableSet set(session, FakeToolSession::DeviceApps());
    if (!qstrRemove.isEmpty())
        QVERIFY(QFile::remove(set.qstrSet + QLatin1Char('/') + qstrSource + QLatin1Char('/') + qstrRemove));
    g_iRestoreAppFailedCount = 5;
    RestoreRun run(set.qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), iResult);
    COMPARE_CAUSE(run.thread.FailureCause(), iCause);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
    const QList<int> listPersonal = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    for (const int iValue : listPersonal)
        QVERIFY(FakeToolSession::ToolPercentages().contains(iValue));
    if (iResult == 1)
        QCOMPARE(listPersonal.last(), 100);
    QCOMPARE(session.Runs(), QList<QStringList>{QStringList{u"idevicebackup2"_s}
                                                + RestoreArguments(set.qstrSet)});
}

void TestRestoreThread::ipaListEntries()
{
    // Text mode drops the carriage returns; a last line without its end counts;
    // empty lines do not; blanks at the end of a line are trimmed away, those
    // at its start stay part of the name.
    FakeToolSession session;
    const RestorableSet set(session, {u"a"_s, u"b"_s, u"c"_s});
    const QString qstrList = set.Archive(u"IpaList.txt"_s);
    FakeToolSession::WriteAppArchive(set.Archive(u" lead.ipa"_s), u"lead.app"_s);
    QVERIFY(FakeToolSession::WriteBytes(qstrList, "a.ipa\r\n\r\n\nb.ipa  \t\r\n lead.ipa\r\nmissing.ipa\r\nc.ipa"));
    RestoreRun run(set.qstrSet, false, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 20, 40, 60, 80}));
    QCOMPARE(g_iRestoreAppFailedCount, 1);
    QList<QStringList> listInstalls;
    for (const char* szName : {"a.ipa", "b.ipa", " lead.ipa", "c.ipa"})
        listInstalls.append(InstallArguments(set.Archive(QLatin1String(szName))));
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s), listInstalls);

    // A set cannot make the restore install files from elsewhere, even when
    // they exist; such entries count as failed apps.
    FakeToolSession::WriteAppArchive(session.Path(u"root/outside.ipa"_s), u"outside.app"_s);
    FakeToolSession::WriteAppArchive(session.Path(u"abs.ipa"_s), u"abs.app"_s);
    QDir().mkpath(set.Archive(u"sub"_s));
    FakeToolSession::WriteAppArchive(set.Archive(u"sub/in.ipa"_s), u"in.app"_s);
    QVERIFY(FakeToolSession::WriteBytes(qstrList, "a.ipa\r\n../../outside.ipa\r\n" + session.Path(u"abs.ipa"_s).toUtf8()
                                                      + "\r\nsub/in.ipa\r\n..\r\n.\r\n   \r\nsub\\in.ipa\r\n"));
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 7);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps).size(), 8);
    listInstalls.append(InstallArguments(set.Archive(u"a.ipa"_s)));
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s), listInstalls);
    QCOMPARE(session.InstalledApps(),
             (QStringList{u"a"_s, u"b"_s, u"lead.app"_s, u"c"_s,
                          u"a"_s}));

    // A missing or unreadable list (a folder in its place): nothing to install, success.
    QVERIFY(QFile::remove(qstrList));
    for (const bool bFolder : {false, true}) {
        QVERIFY(!bFolder || QDir().mkdir(qstrList));
        QVERIFY(run.Run());
        QCOMPARE(run.recorder.listEvents.size(), 1);
        QCOMPARE(run.recorder.FinalResult(), 1);
        QCOMPARE(g_iRestoreAppFailedCount, 0);
    }
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s), listInstalls);
}

void TestRestoreThread::craftedSets()
{
    // An archive that is a pipe is never opened: it counts as a failed app.
    FakeToolSession session;
    const RestorableSet set(session, {u"a"_s});
    const QString qstrList = set.Archive(u"IpaList.txt"_s);
    QVERIFY(::mkfifo(QFile::encodeName(set.Archive(u"pipe.ipa"_s)).constData(), 0600) == 0);
    QVERIFY(FakeToolSession::WriteBytes(qstrList, "pipe.ipa\r\na.ipa\r\n"));
    RestoreRun run(set.qstrSet, false, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 1);
    COMPARE_CAUSE(run.thread.AppsFailureCause(), eiFailureCause_BackupIncomplete);
    QCOMPARE(session.InstalledApps(), QStringList{u"a"_s});

    // A list that is a pipe, an endless device or longer than any device's
    // apps need fails the apps step without reading it whole.
    const QByteArray baLongList = QByteArray("a.ipa\n").repeated(int(CBackup::iIpaListMaxBytes / 6 + 1));
    for (const char* szList : {"pipe", "endless", "long"}) {
        QFile::remove(qstrList);
        const QByteArray baPath = QFile::encodeName(qstrList);
        if (qstrcmp(szList, "pipe") == 0)
            QVERIFY(::mkfifo(baPath.constData(), 0600) == 0);
        else if (qstrcmp(szList, "endless") == 0)
            QVERIFY(QFile::link(u"/dev/zero"_s, qstrList));
        else
            QVERIFY(FakeToolSession::WriteBytes(qstrList, baLongList));
        QVERIFY2(run.Run(), szList);
        QCOMPARE(run.recorder.FinalResult(), 0);
        COMPARE_CAUSE(run.thread.FailureCause(), eiFailureCause_BackupIncomplete);
    }
    QCOMPARE(session.InstalledApps(), QStringList{u"a"_s});
}

void TestRestoreThread::appsThatFail()
{
    // Missing, empty and refused archives are counted; the restore goes on.
    FakeToolSession session;
    const RestorableSet set(session, FakeToolSession::DeviceApps());
    QVERIFY(QFile::remove(set.Archive(u"com.example.Notes.ipa"_s)));
    QVERIFY(FakeToolSession::WriteBytes(set.Archive(u"com.example.Maps.ipa"_s), QByteArray()));
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", u"com.example.Reader"_s);
    RestoreRun run(set.qstrSet, true, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 3);
    // Missing archives and a refused install: no cause they share.
    COMPARE_CAUSE(run.thread.AppsFailureCause(), eiFailureCause_None);
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s).size(), 2);
    QCOMPARE(session.InstalledApps(), QStringList{u"com.example.SpaceGame"_s});
    QCOMPARE(session.RunsOf(u"idevicebackup2"_s).size(), 1);
}

void TestRestoreThread::endRunningTool()
{
    FakeToolSession session;
    const RestorableSet set(session, FakeToolSession::DeviceApps());
    RestoreRun run(set.qstrSet, true, true);
    // Starts the restore and ends its tool once the fakes have started iRuns times.
    const auto endAtRun = [&](int iRuns) {
        run.recorder.Clear();
        run.thread.start();
        if (!QTest::qWaitFor([&] { return session.Runs().size() == iRuns; }, 20000))
            return false;
        QTest::qWait(200);
        run.thread.EndRunningTool();
        return run.recorder.WaitUntilDone(&run.thread, 30000) && run.recorder.ResultCount() == 1;
    };

    // Ending an install fails the apps step: no further install, no personal data.
    session.SetScenario(u"ideviceinstaller:silent-wait"_s);
    QVERIFY(endAtRun(1));
    QCOMPARE(run.recorder.FinalResult(), 0);
    QCOMPARE(session.Runs().size(), 1);

    // Ending the personal-data restore fails it.
    session.SetScenario(u"idevicebackup2:silent-wait"_s);
    QVERIFY(endAtRun(6));
    QCOMPARE(run.recorder.FinalResult(), 0);
    COMPARE_CAUSE(run.thread.FailureCause(), eiFailureCause_Disconnected);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
}

void TestRestoreThread::backupThenRestore()
{
    // A backup into a fresh root, found again in the root's listing, restored
    // onto another device: apps and personal data.
    FakeToolSession session;
    session.SetScenario(u"old-device"_s);
    const QString qstrRoot = QDir::toNativeSeparators(session.Path(u"fresh root"_s));
    const QString qstrSet = CBackup::JoinPath(
        qstrRoot, CBackup::SetFolderName(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)), u"Test: iPhone?"_s));
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(qstrSet));

    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = qstrSource;
    backup.qstrBackupDirectory = qstrSet;
    backup.bBackupPersonalData = backup.bBackupApps = true;
    ThreadSignalRecorder backupRecorder;
    backupRecorder.Watch(&backup);
    backup.start(QThread::InheritPriority);
    // The marker is written after the start, as the backup page does.
    QVERIFY(CBackup::WriteBackupFlag(qstrSet, qstrSource));
    QVERIFY(backupRecorder.WaitUntilDone(&backup));
    QCOMPARE(backupRecorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);

    QCOMPARE(CBackup::QStrGetAllBackupDirectory(qstrRoot), QStringList{u"2024-03-07__14_05_09_@_@_Test_ iPhone_"_s});
    QString qstrDataFolderName;
    QString qstrIPAFolderName;
    CBackup::ReadBackupFlag(qstrSet, qstrDataFolderName, qstrIPAFolderName);
    QCOMPARE(qstrDataFolderName, qstrSource);
    QCOMPARE(qstrIPAFolderName, u"IPA_Backup"_s);

    RestoreRun restore(qstrSet, true, true, qstrDataFolderName);
    QVERIFY(restore.Run());
    QCOMPARE(restore.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
    QCOMPARE(restore.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
    VerifyAfterApps(restore.recorder.Progress(eiStepBackupRestore_PersonalData));
    QCOMPARE(session.InstalledApps(), FakeToolSession::DeviceApps());
    QCOMPARE(session.RunsOf(u"idevicebackup2"_s).last(), RestoreArguments(qstrSet));
}

QTEST_GUILESS_MAIN(TestRestoreThread)
#include "TestRestoreThread.moc"
