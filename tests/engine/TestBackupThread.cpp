// ThreadDeviceBackup against the fake tools: the progress it reports, its one
// result, the files it leaves in the set and the arguments the tools receive,
// through every scenario of the tools.
#include "AppGlobals.h"
#include "FakeToolSession.h"
#include "ThreadDeviceBackup.h"
#include "ThreadSignalRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <algorithm>

namespace {

const QString qstrUdid = QStringLiteral("00008101-000A1B2C3D4E5F60");
const QStringList listDeviceApps{QStringLiteral("com.example.Notes"), QStringLiteral("com.example.Maps"),
                                 QStringLiteral("com.example.SpaceGame"), QStringLiteral("com.example.Reader")};
// What the fake prints in front of "Finished", in order.
const QList<int> listToolPercentages{3, 12, 25, 42, 60, 77, 91, 100, 100};

// Runs one backup into the set folder and waits for its result.
struct BackupRun
{
    explicit BackupRun(const QString& qstrSet, bool bPersonalData, bool bApps)
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
    qsizetype iNext = 0;
    for (const int iValue : listValues) {
        while (iNext < listToolPercentages.size()
               && (bHalved ? listToolPercentages.at(iNext) / 2 : listToolPercentages.at(iNext)) != iValue)
            ++iNext;
        if (iNext == listToolPercentages.size())
            return false;
    }
    return true;
}

QStringList ArchiveArguments(const QString& qstrAppsFolder, const QString& qstrAppID)
{
    return QStringList{QStringLiteral("-u"),  qstrUdid, QStringLiteral("-a"), qstrAppID, QStringLiteral("-o"),
                       QStringLiteral("copy=") + qstrAppsFolder, QStringLiteral("-o"), QStringLiteral("remove")};
}

} // namespace

class TestBackupThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void personalDataOnly();
    void personalDataOutcomes_data();
    void personalDataOutcomes();
    void toolNotStartable();
    void backupFolderProblems();
    void appsOnly();
    void personalDataAndApps();
    void appsThatFail_data();
    void appsThatFail();
    void appListEdgeCases();
    void failedCountResetEveryRun();
    void endRunningTool_data();
    void endRunningTool();
    void retryRunsAgain();
};

void TestBackupThread::initTestCase()
{
    RegisterSharedMetaTypes();
}

void TestBackupThread::personalDataOnly()
{
    FakeToolSession session;
    const QString qstrSet = session.MakeDir(QStringLiteral("2024-03-07__14_05_09_@_@_Test iPhone"));
    BackupRun run(qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    const QList<int> listProgress = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(!listProgress.isEmpty());
    QVERIFY2(FollowsTool(listProgress, false), qPrintable(QTest::toString(listProgress)));
    QCOMPARE(listProgress.last(), 100);
    QVERIFY(run.recorder.Progress(eiStepBackupRestore_Apps).isEmpty());

    QCOMPARE(session.Runs(), (QList<QStringList>{{QStringLiteral("idevicebackup2"), QStringLiteral("-u"), qstrUdid,
                                                  QStringLiteral("backup"), QStringLiteral("--full"), qstrSet}}));
    for (const char* szFile : {"Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"})
        QVERIFY2(QFileInfo(qstrSet + QLatin1Char('/') + qstrUdid + QLatin1Char('/') + QLatin1String(szFile)).size() > 0,
                 szFile);
    QVERIFY(!QFileInfo::exists(qstrSet + QStringLiteral("/IPA_Backup")));
}

void TestBackupThread::personalDataOutcomes_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<int>("iResult");
    // Success ends at 100; a failure reports at most what the tool printed
    // before it failed (how much depends on how the output fell into reads);
    // -1: no progress at all.
    QTest::addColumn<int>("iLastProgress");
    QTest::newRow("device error code") << "device-error" << 0 << 42;
    QTest::newRow("disconnect") << "disconnect" << 0 << 42;
    QTest::newRow("no device, no error word") << "no-device" << 0 << -1;
    QTest::newRow("ends without any Finished") << "no-finished" << 0 << -1;
    QTest::newRow("Finished, then aborted") << "finished-then-abort" << 0 << 100;
    QTest::newRow("Finished, then a crash") << "crash" << 0 << 60;
    QTest::newRow("error word split across reads") << "split-failed" << 0 << 100;
    QTest::newRow("Finished split across reads") << "split-finished" << 1 << 100;
    QTest::newRow("long silent wait") << "silent-wait" << 1 << 100;
    QTest::newRow("output outside ASCII") << "non-ascii" << 1 << 100;
    QTest::newRow("megabytes of output") << "megabytes" << 1 << 100;
}

void TestBackupThread::personalDataOutcomes()
{
    QFETCH(QString, qstrScenario);
    QFETCH(int, iResult);
    QFETCH(int, iLastProgress);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    session.SetEnv("CORVINA_FAKE_WAIT_MS", QStringLiteral("1500"));
    // A non-Latin set name travels to the tool and back unharmed.
    const QString qstrSet = session.MakeDir(QString::fromUtf8("2024-03-07__14_05_09_@_@_\xE5\xB0\x8F\xE6\x98\x8E"));
    BackupRun run(qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), iResult);
    const QList<int> listProgress = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(FollowsTool(listProgress, false));
    if (iResult == 1 || iLastProgress < 0)
        QCOMPARE(listProgress.isEmpty() ? -1 : listProgress.last(), iLastProgress);
    else
        QVERIFY(listProgress.isEmpty() || listProgress.last() <= iLastProgress);
    QCOMPARE(session.RunsOf(QStringLiteral("idevicebackup2")).size(), 1);
    QCOMPARE(session.RunsOf(QStringLiteral("idevicebackup2")).first().last(), qstrSet);
}

void TestBackupThread::toolNotStartable()
{
    FakeToolSession session;
    g_qstrAppDirPath = session.MakeDir(QStringLiteral("program"));
    session.SetEnv("PATH", session.MakeDir(QStringLiteral("empty path")));
    for (const bool bPersonalData : {true, false}) {
        BackupRun run(session.MakeDir(QStringLiteral("set")), bPersonalData, !bPersonalData);
        QVERIFY(run.Run());
        QCOMPARE(run.recorder.listEvents.size(), 1);
        QCOMPARE(run.recorder.FinalResult(), 0);
    }
}

void TestBackupThread::backupFolderProblems()
{
    // A set folder that could not be made (here: a name far too long) fails
    // cleanly: the tool reports the missing folder.
    FakeToolSession session;
    const QString qstrTooLong = session.Path(QStringLiteral("2024-03-07__14_05_09_@_@_") + QString(300, QLatin1Char('x')));
    QVERIFY(!QDir().mkdir(qstrTooLong));
    BackupRun run(qstrTooLong, true, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.listEvents.size(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    QVERIFY(session.RunsOf(QStringLiteral("ideviceinstaller")).isEmpty());
}

void TestBackupThread::appsOnly()
{
    FakeToolSession session;
    session.SetScenario(QStringLiteral("old-device"));
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    const QString qstrApps = qstrSet + QStringLiteral("/IPA_Backup");
    BackupRun run(qstrSet, false, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 25, 50, 75}));
    QCOMPARE(run.recorder.listEvents.size(), 5);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);

    QCOMPARE(FakeToolSession::ReadBytes(qstrApps + QStringLiteral("/IpaList.txt")),
             QByteArray("com.example.Notes.ipa\r\ncom.example.Maps.ipa\r\ncom.example.SpaceGame.ipa\r\n"
                        "com.example.Reader.ipa\r\n"));
    QList<QStringList> listExpected{{QStringLiteral("-u"), qstrUdid, QStringLiteral("-l")}};
    for (const QString& qstrApp : listDeviceApps) {
        QVERIFY(FakeToolSession::ReadBytes(qstrApps + QLatin1Char('/') + qstrApp + QStringLiteral(".ipa")).startsWith("PK\x03\x04"));
        listExpected.append(ArchiveArguments(qstrApps, qstrApp));
    }
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")), listExpected);
    QVERIFY(session.RunsOf(QStringLiteral("idevicebackup2")).isEmpty());
}

void TestBackupThread::personalDataAndApps()
{
    FakeToolSession session;
    session.SetScenario(QStringLiteral("old-device"));
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    BackupRun run(qstrSet, true, true);
    QVERIFY(run.Run());
    const QList<int> listPersonal = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY2(FollowsTool(listPersonal, true), qPrintable(QTest::toString(listPersonal)));
    QCOMPARE(listPersonal.last(), 50);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{50, 62, 75, 87}));
    // The personal-data step comes first, the result last.
    QCOMPARE(run.recorder.listEvents.first().iStepOrStatus, int(eiStepBackupRestore_PersonalData));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(session.Runs().first().first(), QStringLiteral("idevicebackup2"));
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).size(), 5);
}

void TestBackupThread::appsThatFail_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<QString>("qstrFailIDs");
    QTest::addColumn<int>("iAppCount");
    QTest::addColumn<int>("iArchiveRuns");
    QTest::addColumn<int>("iFailed");
    // Current devices refuse every archive: three attempts each.
    QTest::newRow("archiving removed") << "" << "" << 4 << 12 << 4;
    QTest::newRow("chosen apps fail") << "old-device" << "com.example.Maps,com.example.Reader" << 4 << 8 << 2;
    // An empty archive is retried; exit code 255 or an empty file both count.
    QTest::newRow("0-byte archive") << "old-device,zero-byte" << "" << 4 << 12 << 4;
    QTest::newRow("length unknown, exit 0") << "old-device,no-length" << "" << 2 << 6 << 2;
    QTest::newRow("archive of 2 GiB and more") << "old-device,large-archive" << "" << 1 << 1 << 0;
    QTest::newRow("tool crashes") << "old-device,ideviceinstaller:crash" << "" << 2 << 6 << 2;
}

void TestBackupThread::appsThatFail()
{
    QFETCH(QString, qstrScenario);
    QFETCH(QString, qstrFailIDs);
    QFETCH(int, iAppCount);
    QFETCH(int, iArchiveRuns);
    QFETCH(int, iFailed);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", qstrFailIDs);
    session.SetEnv("CORVINA_FAKE_APP_COUNT", QString::number(iAppCount));
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    BackupRun run(qstrSet, false, true);
    QVERIFY(run.Run());
    // Failed apps only show in the counter: the backup still succeeds, and
    // the list names every app of the device.
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, iFailed);
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).size(), 1 + iArchiveRuns);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps).size(), iAppCount);
    QCOMPARE(FakeToolSession::ReadBytes(qstrSet + QStringLiteral("/IPA_Backup/IpaList.txt")).count("\r\n"), iAppCount);
}

void TestBackupThread::appListEdgeCases()
{
    // No apps: an empty list file, no progress, success.
    {
        FakeToolSession session;
        session.SetEnv("CORVINA_FAKE_APP_COUNT", QStringLiteral("0"));
        const QString qstrSet = session.MakeDir(QStringLiteral("set"));
        BackupRun run(qstrSet, false, true);
        QVERIFY(run.Run());
        QCOMPARE(run.recorder.listEvents.size(), 1);
        QCOMPARE(run.recorder.FinalResult(), 1);
        QVERIFY(QFileInfo::exists(qstrSet + QStringLiteral("/IPA_Backup/IpaList.txt")));
        QCOMPARE(QFileInfo(qstrSet + QStringLiteral("/IPA_Backup/IpaList.txt")).size(), 0);
    }
    // The list cannot be read: the step fails and leaves no apps folder.
    {
        FakeToolSession session;
        session.SetScenario(QStringLiteral("ideviceinstaller:no-device"));
        const QString qstrSet = session.MakeDir(QStringLiteral("set"));
        BackupRun run(qstrSet, true, true);
        QVERIFY(run.Run());
        QCOMPARE(run.recorder.FinalResult(), 0);
        QCOMPARE(run.recorder.Progress(eiStepBackupRestore_PersonalData).last(), 50);
        QVERIFY(!QFileInfo::exists(qstrSet + QStringLiteral("/IPA_Backup")));
    }
    // Lines ended by "\n" or "\r\n", two-column lines: every app is listed and archived.
    for (const QString& qstrScenario : {QStringLiteral("old-device,two-column"), QStringLiteral("old-device,two-column,crlf")}) {
        FakeToolSession session;
        session.SetScenario(qstrScenario);
        const QString qstrSet = session.MakeDir(QStringLiteral("set"));
        BackupRun run(qstrSet, false, true);
        QVERIFY(run.Run());
        QCOMPARE(g_iBackupAppFailedCount, 0);
        QCOMPARE(FakeToolSession::ReadBytes(qstrSet + QStringLiteral("/IPA_Backup/IpaList.txt")),
                 QByteArray("com.example.Notes.ipa\r\ncom.example.Maps.ipa\r\ncom.example.SpaceGame.ipa\r\n"
                            "com.example.Reader.ipa\r\n"));
    }
    // An identifier that is not a plain file name is listed, counted as failed
    // and never handed to the tool, which would write outside the set.
    {
        FakeToolSession session;
        session.SetScenario(QStringLiteral("old-device,traversal-id"));
        const QString qstrSet = session.MakeDir(QStringLiteral("sets/set"));
        BackupRun run(qstrSet, false, true);
        QVERIFY(run.Run());
        QCOMPARE(run.recorder.FinalResult(), 1);
        QCOMPARE(g_iBackupAppFailedCount, 1);
        QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).size(), 4);
        QVERIFY(!QFileInfo::exists(session.Path(QStringLiteral("escaped.ipa"))));
        QVERIFY(FakeToolSession::ReadBytes(qstrSet + QStringLiteral("/IPA_Backup/IpaList.txt")).contains("../../escaped.ipa\r\n"));
    }
}

void TestBackupThread::failedCountResetEveryRun()
{
    FakeToolSession session;
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    g_iBackupAppFailedCount = 7;
    BackupRun run(qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);
    g_iBackupAppFailedCount = 7;
    BackupRun nothing(qstrSet, false, false);
    QVERIFY(nothing.Run());
    QCOMPARE(nothing.recorder.listEvents.size(), 1);
    QCOMPARE(nothing.recorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);
}

void TestBackupThread::endRunningTool_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<bool>("bPersonalData");
    QTest::addColumn<int>("iInstallerRuns");
    QTest::newRow("personal data, tool aborts on SIGTERM") << "silent-wait" << true << 0;
    QTest::newRow("personal data, tool ignores SIGTERM") << "ignore-term" << true << 0;
    // The ended archive run is the last: no retry, no further app.
    QTest::newRow("apps") << "old-device,silent-wait" << false << 2;
}

void TestBackupThread::endRunningTool()
{
    QFETCH(QString, qstrScenario);
    QFETCH(bool, bPersonalData);
    QFETCH(int, iInstallerRuns);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    BackupRun run(qstrSet, bPersonalData, true);
    run.thread.start();
    // Once the tool is under way, as when the device is unplugged mid-way.
    QVERIFY(QTest::qWaitFor([&] { return session.Runs().size() == (bPersonalData ? 1 : 2); }, 20000));
    QTest::qWait(200);
    run.thread.EndRunningTool();
    QVERIFY(run.recorder.WaitUntilDone(&run.thread, 30000));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).size(), iInstallerRuns);

    // The request belonged to that run: a Retry runs normally.
    session.SetScenario(QStringLiteral("old-device"));
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
}

void TestBackupThread::retryRunsAgain()
{
    FakeToolSession session;
    session.SetScenario(QStringLiteral("idevicebackup2:disconnect,old-device"));
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    BackupRun run(qstrSet, true, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 0);
    QVERIFY(session.RunsOf(QStringLiteral("ideviceinstaller")).isEmpty());

    // Retry starts the same object again, into the same set.
    session.SetScenario(QStringLiteral("old-device"));
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{50, 62, 75, 87}));
    const QList<QStringList> listBackupRuns = session.RunsOf(QStringLiteral("idevicebackup2"));
    QCOMPARE(listBackupRuns.size(), 2);
    QCOMPARE(listBackupRuns.at(0), listBackupRuns.at(1));
}

QTEST_GUILESS_MAIN(TestBackupThread)
#include "TestBackupThread.moc"
