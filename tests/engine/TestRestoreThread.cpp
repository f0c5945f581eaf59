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

namespace {

const QString qstrTarget = QStringLiteral("00008030-00112233445566AA");
const QString qstrSource = QStringLiteral("00008101-000A1B2C3D4E5F60");
const QList<int> listToolPercentages{3, 12, 25, 42, 60, 77, 91, 100, 100};

// A backup set as a backup leaves it: the source's personal data, and
// archives listed in IPA_Backup/IpaList.txt.
struct RestorableSet
{
    RestorableSet(const FakeToolSession& session, const QStringList& listArchives)
        : qstrSet(session.MakeDir(QStringLiteral("root/2024-03-07__14_05_09_@_@_Test iPhone")))
        , qstrApps(session.MakeDir(QStringLiteral("root/2024-03-07__14_05_09_@_@_Test iPhone/IPA_Backup")))
    {
        CBackup::WriteBackupFlag(qstrSet, qstrSource);
        const QString qstrData = session.MakeDir(QStringLiteral("root/2024-03-07__14_05_09_@_@_Test iPhone/") + qstrSource);
        for (const char* szFile : {"Info.plist", "Manifest.plist", "Status.plist"})
            FakeToolSession::WriteBytes(qstrData + QLatin1Char('/') + QLatin1String(szFile), "<plist/>");
        QByteArray baList;
        for (const QString& qstrID : listArchives) {
            FakeToolSession::WriteAppArchive(qstrApps + QLatin1Char('/') + qstrID + QStringLiteral(".ipa"), qstrID);
            baList += qstrID.toLatin1() + ".ipa\r\n";
        }
        FakeToolSession::WriteBytes(qstrApps + QStringLiteral("/IpaList.txt"), baList);
    }

    QString qstrSet;
    QString qstrApps;
};

struct RestoreRun
{
    RestoreRun(const QString& qstrSet, bool bPersonalData, bool bApps)
    {
        thread.qstrDeviceUDID = qstrTarget;
        thread.qstrDataFolderName = qstrSource;
        thread.qstrBackupDirectory = qstrSet;
        thread.qstrIPAFolderName = QStringLiteral("IPA_Backup");
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
    return QStringList{QStringLiteral("-u"), qstrTarget, QStringLiteral("-i"), qstrArchive};
}

QStringList RestoreArguments(const QString& qstrSet)
{
    return QStringList{QStringLiteral("-u"),      qstrTarget,          QStringLiteral("-s"),
                       qstrSource,                QStringLiteral("restore"), QStringLiteral("--reboot"),
                       QStringLiteral("--system"), qstrSet};
}

const QStringList listFourApps{QStringLiteral("com.example.Notes"), QStringLiteral("com.example.Maps"),
                               QStringLiteral("com.example.SpaceGame"), QStringLiteral("com.example.Reader")};

} // namespace

class TestRestoreThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void appsAndPersonalData();
    void personalDataOnly();
    void withoutSourceUdid();
    void personalDataOutcomes_data();
    void personalDataOutcomes();
    void ipaListEntries();
    void unsafeEntriesNeverInstalled();
    void appsThatFail();
    void unsafeAppsFolder();
    void failedCountResetEveryRun();
    void endRunningTool();
    void backupThenRestore();
};

void TestRestoreThread::initTestCase()
{
    RegisterSharedMetaTypes();
}

void TestRestoreThread::appsAndPersonalData()
{
    FakeToolSession session;
    const RestorableSet set(session, listFourApps);
    RestoreRun run(set.qstrSet, true, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
    const QList<int> listPersonal = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    QVERIFY(!listPersonal.isEmpty());
    for (const int iValue : listPersonal)
        QVERIFY2(listToolPercentages.contains((iValue - 37) * 2) || listToolPercentages.contains((iValue - 37) * 2 + 1),
                 qPrintable(QTest::toString(listPersonal)));
    QCOMPARE(listPersonal.last(), 87);
    // Apps first, then the personal data; the result last.
    QCOMPARE(run.recorder.listEvents.first().iStepOrStatus, int(eiStepBackupRestore_Apps));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);

    QList<QStringList> listExpected;
    for (const QString& qstrID : listFourApps)
        listExpected.append(QStringList{QStringLiteral("ideviceinstaller")}
                            + InstallArguments(set.qstrApps + QLatin1Char('/') + qstrID + QStringLiteral(".ipa")));
    listExpected.append(QStringList{QStringLiteral("idevicebackup2")} + RestoreArguments(set.qstrSet));
    QCOMPARE(session.Runs(), listExpected);
    QCOMPARE(session.InstalledApps(), listFourApps);
}

void TestRestoreThread::personalDataOnly()
{
    FakeToolSession session;
    const RestorableSet set(session, listFourApps);
    RestoreRun run(set.qstrSet, true, false);
    QVERIFY(run.Run());
    const QList<int> listPersonal = run.recorder.Progress(eiStepBackupRestore_PersonalData);
    for (const int iValue : listPersonal)
        QVERIFY(listToolPercentages.contains(iValue));
    QCOMPARE(listPersonal.last(), 100);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(session.RunsOf(QStringLiteral("idevicebackup2")), QList<QStringList>{RestoreArguments(set.qstrSet)});
    QVERIFY(session.RunsOf(QStringLiteral("ideviceinstaller")).isEmpty());
}

void TestRestoreThread::withoutSourceUdid()
{
    // No source given: the tool restores the target's own data, and "-s" is left out.
    FakeToolSession session;
    const RestorableSet set(session, {});
    QVERIFY(QDir(set.qstrSet).rename(qstrSource, qstrTarget));
    RestoreRun run(set.qstrSet, true, false);
    run.thread.qstrDataFolderName.clear();
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(session.RunsOf(QStringLiteral("idevicebackup2")),
             (QList<QStringList>{{QStringLiteral("-u"), qstrTarget, QStringLiteral("restore"),
                                  QStringLiteral("--reboot"), QStringLiteral("--system"), set.qstrSet}}));
}

void TestRestoreThread::personalDataOutcomes_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<QString>("qstrRemove"); // file of the source data to take away
    QTest::addColumn<int>("iResult");
    QTest::newRow("success") << "" << "" << 1;
    QTest::newRow("disconnect") << "disconnect" << "" << 0;
    QTest::newRow("no device") << "no-device" << "" << 0;
    QTest::newRow("Finished, then aborted") << "finished-then-abort" << "" << 0;
    QTest::newRow("Finished, then a crash") << "crash" << "" << 0;
    QTest::newRow("error word split across reads") << "split-failed" << "" << 0;
    QTest::newRow("Finished split across reads") << "split-finished" << "" << 1;
    // What a failed first backup leaves: the real tool aborts (SIGABRT).
    QTest::newRow("set without Manifest.plist") << "" << "Manifest.plist" << 0;
    QTest::newRow("set without Info.plist") << "" << "Info.plist" << 0;
}

void TestRestoreThread::personalDataOutcomes()
{
    QFETCH(QString, qstrScenario);
    QFETCH(QString, qstrRemove);
    QFETCH(int, iResult);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    const RestorableSet set(session, {});
    if (!qstrRemove.isEmpty())
        QVERIFY(QFile::remove(set.qstrSet + QLatin1Char('/') + qstrSource + QLatin1Char('/') + qstrRemove));
    RestoreRun run(set.qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), iResult);
    for (const int iValue : run.recorder.Progress(eiStepBackupRestore_PersonalData))
        QVERIFY(listToolPercentages.contains(iValue));
}

void TestRestoreThread::ipaListEntries()
{
    // Text mode drops the carriage returns; a last line without its end counts;
    // empty lines do not; blanks at the end of a line are trimmed away, those
    // at its start stay part of the name.
    FakeToolSession session;
    const RestorableSet set(session, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    FakeToolSession::WriteAppArchive(set.qstrApps + QStringLiteral("/ lead.ipa"), QStringLiteral("lead.app"));
    QVERIFY(FakeToolSession::WriteBytes(set.qstrApps + QStringLiteral("/IpaList.txt"),
                                        "a.ipa\r\n\r\n\nb.ipa  \t\r\n lead.ipa\r\nmissing.ipa\r\nc.ipa"));
    RestoreRun run(set.qstrSet, false, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 20, 40, 60, 80}));
    QCOMPARE(g_iRestoreAppFailedCount, 1);
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")),
             (QList<QStringList>{InstallArguments(set.qstrApps + QStringLiteral("/a.ipa")),
                                 InstallArguments(set.qstrApps + QStringLiteral("/b.ipa")),
                                 InstallArguments(set.qstrApps + QStringLiteral("/ lead.ipa")),
                                 InstallArguments(set.qstrApps + QStringLiteral("/c.ipa"))}));

    // A missing or unreadable list (here a folder stands in its place):
    // nothing to install, no progress, success.
    QVERIFY(QFile::remove(set.qstrApps + QStringLiteral("/IpaList.txt")));
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.listEvents.size(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
    QVERIFY(QDir().mkdir(set.qstrApps + QStringLiteral("/IpaList.txt")));
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.listEvents.size(), 1);
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).size(), 4);
}

void TestRestoreThread::unsafeEntriesNeverInstalled()
{
    // A set cannot make the restore install files from elsewhere, even when
    // they exist; such entries count as failed apps.
    FakeToolSession session;
    const RestorableSet set(session, {QStringLiteral("ok")});
    FakeToolSession::WriteAppArchive(session.Path(QStringLiteral("root/outside.ipa")), QStringLiteral("outside.app"));
    FakeToolSession::WriteAppArchive(session.Path(QStringLiteral("abs.ipa")), QStringLiteral("abs.app"));
    QDir().mkpath(set.qstrApps + QStringLiteral("/sub"));
    FakeToolSession::WriteAppArchive(set.qstrApps + QStringLiteral("/sub/in.ipa"), QStringLiteral("in.app"));
    const QByteArray baList = "ok.ipa\r\n../../outside.ipa\r\n" + session.Path(QStringLiteral("abs.ipa")).toUtf8()
                              + "\r\nsub/in.ipa\r\n..\r\n.\r\n   \r\nsub\\in.ipa\r\n";
    QVERIFY(FakeToolSession::WriteBytes(set.qstrApps + QStringLiteral("/IpaList.txt"), baList));
    RestoreRun run(set.qstrSet, false, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 7);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps).size(), 8);
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")),
             QList<QStringList>{InstallArguments(set.qstrApps + QStringLiteral("/ok.ipa"))});
    QCOMPARE(session.InstalledApps(), QStringList{QStringLiteral("ok")});
}

void TestRestoreThread::appsThatFail()
{
    // Missing, empty and refused archives are counted; the restore goes on.
    FakeToolSession session;
    const RestorableSet set(session, listFourApps);
    QVERIFY(QFile::remove(set.qstrApps + QStringLiteral("/com.example.Notes.ipa")));
    QVERIFY(FakeToolSession::WriteBytes(set.qstrApps + QStringLiteral("/com.example.Maps.ipa"), QByteArray()));
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", QStringLiteral("com.example.Reader"));
    RestoreRun run(set.qstrSet, true, true);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 3);
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).size(), 2);
    QCOMPARE(session.InstalledApps(), QStringList{QStringLiteral("com.example.SpaceGame")});
    QCOMPARE(session.RunsOf(QStringLiteral("idevicebackup2")).size(), 1);
}

void TestRestoreThread::unsafeAppsFolder()
{
    // A marker naming an apps folder outside the set fails the restore.
    FakeToolSession session;
    const RestorableSet set(session, listFourApps);
    RestoreRun run(set.qstrSet, true, true);
    run.thread.qstrIPAFolderName = QStringLiteral("../2024-03-07__14_05_09_@_@_Test iPhone/IPA_Backup");
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.listEvents.size(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    QVERIFY(session.Runs().isEmpty());
}

void TestRestoreThread::failedCountResetEveryRun()
{
    FakeToolSession session;
    const RestorableSet set(session, {});
    g_iRestoreAppFailedCount = 5;
    RestoreRun run(set.qstrSet, true, false);
    QVERIFY(run.Run());
    QCOMPARE(run.recorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
}

void TestRestoreThread::endRunningTool()
{
    FakeToolSession session;
    const RestorableSet set(session, listFourApps);
    RestoreRun run(set.qstrSet, true, true);
    // Starts the restore and ends its tool once the fakes have started iRuns times.
    const auto endAtRun = [&](int iRuns) {
        run.recorder.Clear();
        run.thread.start();
        if (!QTest::qWaitFor([&] { return session.Runs().size() == iRuns; }, 20000))
            return false;
        QTest::qWait(200);
        run.thread.EndRunningTool();
        return run.recorder.WaitUntilDone(&run.thread, 30000);
    };

    // Ending an install fails the apps step: no further install, no personal data.
    session.SetScenario(QStringLiteral("ideviceinstaller:silent-wait"));
    QVERIFY(endAtRun(1));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    QCOMPARE(session.Runs().size(), 1);

    // Ending the personal-data restore fails it.
    session.SetScenario(QStringLiteral("idevicebackup2:silent-wait"));
    QVERIFY(endAtRun(6));
    QCOMPARE(run.recorder.ResultCount(), 1);
    QCOMPARE(run.recorder.FinalResult(), 0);
    QCOMPARE(run.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
}

void TestRestoreThread::backupThenRestore()
{
    // A backup into a fresh root, found again in the root's listing, restored
    // onto another device: apps and personal data.
    FakeToolSession session;
    session.SetScenario(QStringLiteral("old-device"));
    const QString qstrRoot = QDir::toNativeSeparators(session.Path(QStringLiteral("fresh root")));
    const QString qstrSetName =
        CBackup::SetFolderName(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)), QStringLiteral("Test: iPhone?"));
    const QString qstrSet = CBackup::JoinPath(qstrRoot, qstrSetName);
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(qstrSet));

    ThreadDeviceBackup backup;
    backup.qstrDeviceUDID = qstrSource;
    backup.qstrBackupDirectory = qstrSet;
    backup.bBackupPersonalData = true;
    backup.bBackupApps = true;
    ThreadSignalRecorder backupRecorder;
    backupRecorder.Watch(&backup);
    backup.start(QThread::InheritPriority);
    // The marker is written after the start, as the backup page does.
    QVERIFY(CBackup::WriteBackupFlag(qstrSet, qstrSource));
    QVERIFY(backupRecorder.WaitUntilDone(&backup));
    QCOMPARE(backupRecorder.FinalResult(), 1);
    QCOMPARE(g_iBackupAppFailedCount, 0);

    QCOMPARE(CBackup::QStrGetAllBackupDirectory(qstrRoot), QStringList{QStringLiteral("2024-03-07__14_05_09_@_@_Test_ iPhone_")});
    QString qstrDataFolderName;
    QString qstrIPAFolderName;
    CBackup::ReadBackupFlag(qstrSet, qstrDataFolderName, qstrIPAFolderName);
    QCOMPARE(qstrDataFolderName, qstrSource);
    QCOMPARE(qstrIPAFolderName, QStringLiteral("IPA_Backup"));

    ThreadDeviceRestore restore;
    restore.qstrDeviceUDID = qstrTarget;
    restore.qstrDataFolderName = qstrDataFolderName;
    restore.qstrBackupDirectory = qstrSet;
    restore.qstrIPAFolderName = qstrIPAFolderName;
    restore.bRestorePersonalData = true;
    restore.bRestoreApps = true;
    ThreadSignalRecorder restoreRecorder;
    restoreRecorder.Watch(&restore);
    restore.start(QThread::InheritPriority);
    QVERIFY(restoreRecorder.WaitUntilDone(&restore));
    QCOMPARE(restoreRecorder.FinalResult(), 1);
    QCOMPARE(g_iRestoreAppFailedCount, 0);
    QCOMPARE(restoreRecorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 12, 25, 37}));
    QCOMPARE(restoreRecorder.Progress(eiStepBackupRestore_PersonalData).last(), 87);
    QCOMPARE(session.InstalledApps(), listFourApps);
    QCOMPARE(session.RunsOf(QStringLiteral("idevicebackup2")).last(), RestoreArguments(qstrSet));
}

QTEST_GUILESS_MAIN(TestRestoreThread)
#include "TestRestoreThread.moc"
