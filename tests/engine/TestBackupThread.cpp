// ThreadDeviceBackup against the fake tools: progress, the one result, the
// files left in the set and the arguments the tools receive, scenario by scenario.
#include "AppGlobals.h"
#include "FakeToolSession.h"
#include "ThreadDeviceBackup.h"
#include "ThreadSignalRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString qstrUdid = u"00008101-000A1B2C3D4E5F60"_s;

// Runs one backup into the set folder and waits for its result.
struct BackupRun
{
    BackupRun(const QString& qstrSet, bool bPersonalData, bool bApps)
    {
        thread.qstrDeviceUDID = qstrUdid;
        thread.qstrBackupDirectory = qstrSet;
        thread.bBackupPersonalData = bPersonalData;
        thread.bBackupApps = bApps;
        recorder.Watch(&thread);
    }

    bool Run() { return recorder.StartAndWait(&thread); }

    ThreadDeviceBackup thread;
    ThreadSignalRecorder recorder;
};

// Each value is one of the tool's (halved when apps follow), in the tool's order.
bool FollowsTool(const QList<int>& listValues, bool bHalved)
{
    const QList<int> listTool = FakeToolSession::ToolPercentages();
    qsizetype iNext = 0;
    for (const int iValue : listValues) {
        while (iNext < listTool.size() && (bHalved ? listTool.at(iNext) / 2 : listTool.at(iNext)) != iValue)
            ++iNext;
        if (iNext == listTool.size())
            return false;
    }
    return true;
}

// Compared by name, so that a failure reads plainly.
#define COMPARE_CAUSE(actual, expected)                                                                                \
    QCOMPARE(FailureCauseName((actual).eiCause), FailureCauseName(enumFailureCause(expected)))

QByteArray IpaList(const QStringList& listIDs)
{
    QByteArray baList;
    for (const QString& qstrID : listIDs)
        baList += qstrID.toLatin1() + ".ipa\r\n";
    return baList;
}

} // namespace

class TestBackupThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterSharedMetaTypes(); }
    void personalDataOutcomes_data();
    void personalDataOutcomes();
    void singleResult_data();
    void singleResult();
    void personalDataAndApps();
    void apps_data();
    void apps();
    void endRunningTool_data();
    void endRunningTool();
};

void TestBackupThread::personalDataOutcomes_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<int>("iResult");
    // Success ends at 100; a failure reports at most what the tool printed
    // before it failed (reads may cut earlier); -1: no progress at all.
    QTest::addColumn<int>("iLastProgress");
    QTest::addColumn<int>("iCause");
    QTest::newRow("success") << "" << 1 << 100 << int(eiFailureCause_None);
    QTest::newRow("device error code") << "device-error" << 0 << 42 << int(eiFailureCause_DiskFull);
    QTest::newRow("disconnect") << "disconnect" << 0 << 42 << int(eiFailureCause_Disconnected);
    QTest::newRow("no device, no error word") << "no-device" << 0 << -1 << int(eiFailureCause_NoDevice);
    QTest::newRow("ends without any Finished") << "no-finished" << 0 << -1 << int(eiFailureCause_Unknown);
    QTest::newRow("Finished, then aborted") << "finished-then-abort" << 0 << 100 << int(eiFailureCause_Unknown);
    QTest::newRow("Finished, then a crash") << "crash" << 0 << 60 << int(eiFailureCause_ToolCrashed);
    QTest::newRow("error word split across reads") << "split-failed" << 0 << 100 << int(eiFailureCause_Unknown);
    QTest::newRow("Finished split across reads") << "split-finished" << 1 << 100 << int(eiFailureCause_None);
    QTest::newRow("long silent wait") << "silent-wait" << 1 << 100 << int(eiFailureCause_None);
    QTest::newRow("output outside ASCII") << "non-ascii" << 1 << 100 << int(eiFailureCause_None);
    QTest::newRow("megabytes of output") << "megabytes" << 1 << 100 << int(eiFailureCause_None);
}

void TestBackupThread::personalDataOutcomes()
{
    QFETCH(QString, qstrScenario);
    QFETCH(int, iResult);
    QFETCH(int, iLastProgress);
    QFETCH(int, iCause);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    session.SetEnv("CORVINA_FAKE_WAIT_MS", u"1500"_s);
    // A non-Latin set name travels to the tool and back unharmed.
    const QString qstrSet = session.MakeDir(QString::fromUtf8("2024-03-07__14_05_09_@_@_\xE5\xB0\x8F\xE6\x98\x8E"));
    g_iBackupAppFailedCount = 7;
    BackupRun run(qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), iResult);
    COMPARE_CAUSE(run.thread.FailureCause(), iCause);
    QCOMPARE(g_iBackupAppFailedCount, 0);
    const QList<int> listProgress = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY2(FollowsTool(listProgress, false), qPrintable(QTest::toString(listProgress)));
    if (iResult == 1 || iLastProgress < 0)
        QCOMPARE(listProgress.isEmpty() ? -1 : listProgress.last(), iLastProgress);
    else
        QVERIFY(listProgress.isEmpty() || listProgress.last() <= iLastProgress);
    QVERIFY(run.recorder.Progress(eiStepBackupRestore_Apps).isEmpty());
    QCOMPARE(session.Runs(), (QList<QStringList>{{u"idevicebackup2"_s, u"-u"_s, qstrUdid,
                                                  u"backup"_s, u"--full"_s, qstrSet}}));
    QVERIFY(!QFileInfo::exists(qstrSet + u"/IPA_Backup"_s));
    if (iResult == 1) {
        for (const char* szFile : {"Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"})
            QVERIFY2(QFileInfo(qstrSet + QLatin1Char('/') + qstrUdid + QLatin1Char('/') + QLatin1String(szFile)).size() > 0,
                     szFile);
    }
}

void TestBackupThread::singleResult_data()
{
    QTest::addColumn<bool>("bPersonalData");
    QTest::addColumn<bool>("bApps");
    QTest::addColumn<QString>("qstrProblem");
    QTest::addColumn<int>("iResult");
    QTest::addColumn<int>("iCause");
    QTest::addColumn<QString>("qstrDetail");
    QTest::newRow("nothing chosen") << false << false << "" << 1 << int(eiFailureCause_None) << "";
    QTest::newRow("tool missing, personal data")
        << true << false << "no tools" << 0 << int(eiFailureCause_ToolMissing) << "idevicebackup2";
    QTest::newRow("tool missing, apps") << false << true << "no tools" << 0 << int(eiFailureCause_ToolMissing)
                                        << "ideviceinstaller";
    // A set folder that could not be made (a name far too long): the tool reports it.
    QTest::newRow("set folder missing") << true << true << "no set" << 0 << int(eiFailureCause_FolderNotWritable) << "";
}

void TestBackupThread::singleResult()
{
    // Runs that report nothing but their result, and reset the failed-app counter.
    QFETCH(bool, bPersonalData);
    QFETCH(bool, bApps);
    QFETCH(QString, qstrProblem);
    QFETCH(int, iResult);
    QFETCH(int, iCause);
    QFETCH(QString, qstrDetail);
    FakeToolSession session;
    if (qstrProblem == u"no tools"_s) {
        g_qstrAppDirPath = session.MakeDir(u"program"_s);
        session.SetEnv("PATH", session.MakeDir(u"empty path"_s));
    }
    QString qstrSet = session.MakeDir(u"set"_s);
    if (qstrProblem == u"no set"_s) {
        qstrSet = session.Path(u"2024-03-07__14_05_09_@_@_"_s + QString(300, QLatin1Char('x')));
        QVERIFY(!QDir().mkdir(qstrSet));
    }
    g_iBackupAppFailedCount = 7;
    BackupRun run(qstrSet, bPersonalData, bApps);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.listEvents.size(), 1);
    QCOMPARE(run.recorder.FinalResult(), iResult);
    COMPARE_CAUSE(run.thread.FailureCause(), iCause);
    if (!qstrDetail.isEmpty())
        QCOMPARE(run.thread.FailureCause().qstrDetail, qstrDetail);
    QCOMPARE(g_iBackupAppFailedCount, 0);
    QVERIFY(session.RunsOf(u"ideviceinstaller"_s).isEmpty());
}

void TestBackupThread::personalDataAndApps()
{
    // One thread object through a failed personal-data step, a failed app
    // list, and a Retry that succeeds, all into the same set.
    FakeToolSession session;
    const QString qstrSet = session.MakeDir(u"set"_s);
    BackupRun run(qstrSet, true, true);
    session.SetScenario(u"idevicebackup2:disconnect,old-device"_s);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 0);
    QVERIFY(session.RunsOf(u"ideviceinstaller"_s).isEmpty());

    // The list cannot be read: the step fails and leaves no apps folder.
    session.SetScenario(u"ideviceinstaller:no-device"_s);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 0);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_PersonalData).last(), 50);
    QVERIFY(!QFileInfo::exists(qstrSet + u"/IPA_Backup"_s));

    session.SetScenario(u"old-device"_s);
    QVERIFY(run.Run());
    const QList<int> listPersonal = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY2(FollowsTool(listPersonal, true), qPrintable(QTest::toString(listPersonal)));
    QCOMPARE(listPersonal.last(), 50);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{50, 62, 75, 87}));
    // The personal-data step comes first, the result last.
    QCOMPARE(run.recorder.listEvents.first().iStepOrStatus, int(eiStepBackupRestore_PersonalData));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s).size(), 1 + 5);
    const QList<QStringList> listBackupRuns = session.RunsOf(u"idevicebackup2"_s);
    QCOMPARE(listBackupRuns.size(), 3);
    QCOMPARE(listBackupRuns.at(0), listBackupRuns.at(1));
    QCOMPARE(listBackupRuns.at(1), listBackupRuns.at(2));
    QCOMPARE(session.Runs().at(3).first(), u"idevicebackup2"_s);
}

void TestBackupThread::apps_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<QString>("qstrFailIDs");
    QTest::addColumn<int>("iAppCount");
    QTest::addColumn<int>("iArchiveRuns");
    QTest::addColumn<int>("iFailed");
    QTest::addColumn<int>("iAppsCause"); // the cause every failed app shares
    const int iNone = eiFailureCause_None;
    const int iUnknown = eiFailureCause_Unknown;
    QTest::newRow("lines ended by LF") << "old-device"
                                       << "" << 4 << 4 << 0 << iNone;
    QTest::newRow("two columns") << "old-device,two-column"
                                 << "" << 4 << 4 << 0 << iNone;
    QTest::newRow("two columns, CR LF") << "old-device,two-column,crlf"
                                        << "" << 4 << 4 << 0 << iNone;
    // No apps: an empty list, no progress, success.
    QTest::newRow("no apps") << ""
                             << "" << 0 << 0 << 0 << iNone;
    // Current devices refuse every archive for good: one attempt each.
    QTest::newRow("archiving removed") << ""
                                       << "" << 4 << 4 << 4 << int(eiFailureCause_AppsUnsupported);
    QTest::newRow("chosen apps fail") << "old-device"
                                      << "com.example.Maps,com.example.Reader" << 4 << 8 << 2 << iUnknown;
    // An empty archive is retried; exit code 255 or an empty file both count.
    QTest::newRow("0-byte archive") << "old-device,zero-byte"
                                    << "" << 4 << 12 << 4 << iUnknown;
    QTest::newRow("length unknown, exit 0") << "old-device,no-length"
                                            << "" << 2 << 6 << 2 << iUnknown;
    QTest::newRow("archive of 2 GiB and more") << "old-device,large-archive"
                                               << "" << 1 << 1 << 0 << iNone;
    QTest::newRow("tool crashes") << "old-device,ideviceinstaller:crash"
                                  << "" << 2 << 6 << 2 << int(eiFailureCause_ToolCrashed);
    // Not a plain file name: listed, counted as failed, never handed to the tool.
    QTest::newRow("identifier with ../") << "old-device,traversal-id"
                                         << "" << 4 << 3 << 1 << iUnknown;
}

void TestBackupThread::apps()
{
    QFETCH(QString, qstrScenario);
    QFETCH(QString, qstrFailIDs);
    QFETCH(int, iAppCount);
    QFETCH(int, iArchiveRuns);
    QFETCH(int, iFailed);
    QFETCH(int, iAppsCause);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", qstrFailIDs);
    session.SetEnv("CORVINA_FAKE_APP_COUNT", QString::number(iAppCount));
    const QString qstrSet = session.MakeDir(u"set"_s);
    BackupRun run(qstrSet, false, true);
    QVERIFY(run.Run());
    // Failed apps only show in the counter: the backup still succeeds, and
    // the list names every app of the device.
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, iFailed);
    COMPARE_CAUSE(run.thread.AppsFailureCause(), iAppsCause);
    COMPARE_CAUSE(run.thread.FailureCause(), eiFailureCause_None);
    QCOMPARE(run.recorder.listEvents.size(), 1 + iAppCount);
    if (iAppCount == 4)
        QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 25, 50, 75}));
    QStringList listIDs = FakeToolSession::DeviceApps().mid(0, iAppCount);
    if (qstrScenario.contains(u"traversal-id"_s))
        listIDs[2] = u"../../escaped"_s;
    const QString qstrApps = qstrSet + u"/IPA_Backup"_s;
    QVERIFY(QFileInfo::exists(qstrApps + u"/IpaList.txt"_s));
    QCOMPARE(FakeToolSession::ReadBytes(qstrApps + u"/IpaList.txt"_s), IpaList(listIDs));
    QVERIFY(!QFileInfo::exists(session.Path(u"escaped.ipa"_s)));
    QVERIFY(session.RunsOf(u"idevicebackup2"_s).isEmpty());
    const QList<QStringList> listRuns = session.RunsOf(u"ideviceinstaller"_s);
    QCOMPARE(listRuns.size(), 1 + iArchiveRuns);
    if (iFailed > 0 || iAppCount == 0)
        return;
    // Every app archived at its first attempt, into the set.
    QList<QStringList> listExpected{{u"-u"_s, qstrUdid, u"-l"_s}};
    for (const QString& qstrApp : listIDs) {
        QVERIFY(FakeToolSession::ReadBytes(qstrApps + u"/"_s + qstrApp + u".ipa"_s).startsWith("PK\x03\x04"));
        listExpected.append({u"-u"_s, qstrUdid, u"-a"_s, qstrApp, u"-o"_s, u"copy="_s + qstrApps, u"-o"_s, u"remove"_s});
    }
    QCOMPARE(listRuns, listExpected);
}

void TestBackupThread::endRunningTool_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<bool>("bPersonalData");
    QTest::addColumn<int>("iInstallerRuns");
    QTest::addColumn<bool>("bCancel"); // the user's Cancel, else the device's departure
    QTest::newRow("personal data, tool aborts on SIGTERM") << "silent-wait" << true << 0 << false;
    QTest::newRow("personal data, cancelled") << "silent-wait" << true << 0 << true;
    QTest::newRow("personal data, tool ignores SIGTERM") << "ignore-term" << true << 0 << false;
    // The ended archive run is the last: no retry, no further app.
    QTest::newRow("apps") << "old-device,silent-wait" << false << 2 << false;
    QTest::newRow("apps, cancelled") << "old-device,silent-wait" << false << 2 << true;
}

void TestBackupThread::endRunningTool()
{
    QFETCH(QString, qstrScenario);
    QFETCH(bool, bPersonalData);
    QFETCH(int, iInstallerRuns);
    QFETCH(bool, bCancel);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    BackupRun run(session.MakeDir(u"set"_s), bPersonalData, true);
    run.thread.start();
    // Once the tool is under way, as when the device is unplugged mid-way.
    QVERIFY(QTest::qWaitFor([&] { return session.Runs().size() == (bPersonalData ? 1 : 2); }, 20000));
    QTest::qWait(200);
    if (bCancel)
        run.thread.CancelRunningTool();
    else
        run.thread.EndRunningTool();
    QVERIFY(run.recorder.WaitUntilDone(&run.thread, 30000));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    COMPARE_CAUSE(run.thread.FailureCause(), bCancel ? eiFailureCause_Cancelled : eiFailureCause_Disconnected);
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s).size(), iInstallerRuns);

    // The request belonged to that run: a Retry runs normally, also when a
    // request comes right after its result was decided (the device leaving
    // at once), and after the thread ended.
    session.SetScenario(u"old-device"_s);
    const QMetaObject::Connection connection = connect(
        &run.thread, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, &run.thread,
        [&run] { run.thread.EndRunningTool(); }, Qt::DirectConnection);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    disconnect(connection);
    run.thread.CancelRunningTool();
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    COMPARE_CAUSE(run.thread.FailureCause(), eiFailureCause_None);
}

QTEST_GUILESS_MAIN(TestBackupThread)
#include "TestBackupThread.moc"
