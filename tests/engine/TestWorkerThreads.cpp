// ThreadDeviceBackup and ThreadDeviceRestore in what no device makes the real
// tools do (the emulator test runs them with the real tools): output split
// across reads, endings no device causes, damaged or crafted sets, requests to
// end a tool at chosen moments. Short shell scripts stand in for the tools.
#include "CBackup.h"
#include "ScriptedTools.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"
#include "ThreadSignalRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QSemaphore>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString qstrUdid = u"00008101-000A1B2C3D4E5F60"_s;
const QString qstrSource = u"00008030-00112233445566AA"_s;

// A tool that runs until it is asked to end, and then ends as the real ones
// do: "Exiting..." on standard error, its aborted line, exit code 255.
const QByteArray baWaitForTerm = "trap 'kill $!; echo Exiting... >&2; echo Aborted.; exit 255' TERM; sleep 60 & wait $!";
// The app list of a device with two apps, and an installer that installs
// every archive and archives every app.
const QByteArray baListApps = "printf 'CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName\\n"
                              "a.one, \"1\", \"One\"\\nb.two, \"1\", \"Two\"\\n'";
const QByteArray baInstaller = "case $3 in -l) " + baListApps + ";;\n-i) printf 'Install: Complete\\n';;\n"
                               "-a) printf 'Archive: Complete\\nDONE.\\n'; printf x >\"${6#copy=}/$4.ipa\";; esac";

// What a backup tool that succeeds leaves in the set (-u UDID backup --full
// DIR): the smallest set the check takes, an encrypted one without files.
const QByteArray baSoundSet = "d=\"$5/$2\"; mkdir -p \"$d\"; printf x >\"$d/Manifest.db\"; printf '<plist><dict><key>"
                              "SnapshotState</key><string>finished</string></dict></plist>' >\"$d/Status.plist\"; "
                              "printf '<plist><dict><key>IsEncrypted</key><true/></dict></plist>' >\"$d/Manifest.plist\"\n";

// Compared by name, so that a failure reads plainly.
#define COMPARE_CAUSE(actual, expected)                                                                                \
    QCOMPARE(FailureCauseName((actual).eiCause), FailureCauseName(enumFailureCause(expected)))

// Runs the thread once to its result, as the page does.
template <class ThreadT>
bool Run(ThreadT& thread, ThreadSignalRecorder& recorder)
{
    recorder.Clear();
    thread.StartRun();
    return recorder.WaitUntilDone(&thread);
}

struct Backup
{
    Backup(const QString& qstrSet, bool bPersonalData, bool bApps)
    {
        thread.qstrDeviceUDID = qstrUdid;
        thread.qstrBackupDirectory = qstrSet;
        thread.bBackupPersonalData = bPersonalData;
        thread.bBackupApps = bApps;
        recorder.Watch(&thread);
    }
    bool Run() { return ::Run(thread, recorder); }
    ThreadDeviceBackup thread;
    ThreadSignalRecorder recorder;
};

struct Restore
{
    // A set with the personal data of the source and an apps folder holding
    // the archives a.ipa and b.ipa; its list is IpaList.txt.
    explicit Restore(const ScriptedTools& tools)
        : qstrSet(tools.MakeDir(u"root/set"_s))
        , qstrApps(tools.MakeDir(u"root/set/IPA_Backup"_s))
    {
        tools.MakeDir(u"root/set/"_s + qstrSource);
        for (const char* szArchive : {"a.ipa", "b.ipa"})
            ScriptedTools::WriteBytes(qstrApps + u'/' + QLatin1String(szArchive), "PK");
        thread.qstrDeviceUDID = qstrUdid;
        thread.qstrDataFolderName = qstrSource;
        thread.qstrBackupDirectory = qstrSet;
        thread.qstrIPAFolderName = u"IPA_Backup"_s;
        thread.bRestoreApps = true;
        recorder.Watch(&thread);
    }
    bool WriteList(const QByteArray& baList) const { return ScriptedTools::WriteBytes(List(), baList); }
    QString List() const { return qstrApps + u"/IpaList.txt"_s; }
    bool Run() { return ::Run(thread, recorder); }
    QString qstrSet;
    QString qstrApps;
    ThreadDeviceRestore thread;
    ThreadSignalRecorder recorder;
};

// The archives the scripted installer was asked to install, by file name.
QStringList Installed(const ScriptedTools& tools)
{
    QStringList listNames;
    for (const QStringList& listRun : tools.Runs()) {
        if (listRun.value(3) == u"-i"_s)
            listNames.append(QFileInfo(listRun.value(4)).fileName());
    }
    return listNames;
}

// A backup whose run() waits for the test: requests made before it begins.
class HeldBackup : public ThreadDeviceBackup
{
public:
    QSemaphore semaphoreGo;

protected:
    void run() override
    {
        semaphoreGo.acquire();
        ThreadDeviceBackup::run();
    }
};

} // namespace

class TestWorkerThreads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterSharedMetaTypes(); }
    void personalDataStep_data();
    void personalDataStep();
    void runsWithoutTools_data();
    void runsWithoutTools();
    void appsThatFail_data();
    void appsThatFail();
    void restoreRuns();
    void ipaListEntries();
    void craftedSets();
    void endRunningTool_data();
    void endRunningTool();
    void requestsBelongToTheirRun();
    void countsBelongToTheirRun();
};

void TestWorkerThreads::personalDataStep_data()
{
    // What the tool prints and how it ends; the result, the cause and the
    // progress values reported (no apps follow, so the tool's own values).
    QTest::addColumn<QByteArray>("baScript");
    QTest::addColumn<int>("iResult");
    QTest::addColumn<int>("iCause");
    QTest::addColumn<QList<int>>("listProgress");
    QTest::newRow("ends without any Finished") << QByteArray("printf 'Received 0 files from device.\\nBackup Successful.\\n'")
                                               << 0 << int(eiFailureCause_Unknown) << QList<int>();
    QTest::newRow("Finished, then aborted") << QByteArray("printf '] 100%% Finished\\nBackup Aborted.\\n'; exit 255")
                                            << 0 << int(eiFailureCause_Unknown) << QList<int>{100};
    // "Backup Failed (Error Code 0)." ends with exit code 0: only the words tell.
    QTest::newRow("error word split across reads")
        << QByteArray("printf ']  50%% Finished\\nBackup Fai'; sleep 0.7; printf 'led (Error Code 0).\\n'") << 0
        << int(eiFailureCause_Unknown) << QList<int>{50};
    QTest::newRow("Finished split across reads") << QByteArray("printf '] 100%% Fini'; sleep 0.7; printf 'shed\\n'")
                                                 << 1 << int(eiFailureCause_None) << QList<int>{100};
    // The error scan comes first: its pass reports no progress.
    QTest::newRow("Finished and an error word in one read")
        << QByteArray("printf ']  42%% Finished\\nBackup Failed.\\n'") << 0 << int(eiFailureCause_Unknown) << QList<int>();
    QTest::newRow("percentages out of range")
        << QByteArray("printf ']   0%% Finished\\n'; sleep 0.7; printf '] 250%% Finished\\n'; sleep 0.7; "
                      "printf '] 100%% Finished\\n'")
        << 1 << int(eiFailureCause_None) << QList<int>{100};
}

void TestWorkerThreads::personalDataStep()
{
    QFETCH(QByteArray, baScript);
    QFETCH(int, iResult);
    QFETCH(int, iCause);
    QFETCH(QList<int>, listProgress);
    ScriptedTools tools;
    tools.Write(u"idevicebackup2"_s, baSoundSet + baScript);
    Backup backup(tools.MakeDir(u"set"_s), true, false);
    QVERIFY(backup.Run());
    QCOMPARE(backup.recorder.ResultCount(), 1);
    QCOMPARE(backup.recorder.FinalResult(), iResult);
    COMPARE_CAUSE(backup.thread.FailureCause(), iCause);
    QCOMPARE(backup.recorder.Progress(eiStepBackupRestore_PersonalData), listProgress);
}

void TestWorkerThreads::runsWithoutTools_data()
{
    QTest::addColumn<bool>("bPersonalData");
    QTest::addColumn<bool>("bApps");
    QTest::addColumn<int>("iResult");
    QTest::addColumn<QString>("qstrDetail"); // of the cause ToolMissing
    QTest::newRow("nothing chosen") << false << false << 1 << QString();
    QTest::newRow("personal data") << true << true << 0 << u"idevicebackup2"_s;
    QTest::newRow("apps") << false << true << 0 << u"ideviceinstaller"_s;
}

void TestWorkerThreads::runsWithoutTools()
{
    // Runs that report nothing but their result, and start with no failed
    // apps left from an earlier operation.
    QFETCH(bool, bPersonalData);
    QFETCH(bool, bApps);
    QFETCH(int, iResult);
    QFETCH(QString, qstrDetail);
    ScriptedTools tools;
    const QByteArray baPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(tools.MakeDir(u"empty path"_s)));
    Backup backup(tools.MakeDir(u"set"_s), bPersonalData, bApps);
    const bool bRan = backup.Run();
    qputenv("PATH", baPath);
    QVERIFY(bRan);
    QCOMPARE(backup.recorder.listEvents.size(), 1);
    QCOMPARE(backup.recorder.FinalResult(), iResult);
    COMPARE_CAUSE(backup.thread.FailureCause(), iResult == 1 ? eiFailureCause_None : eiFailureCause_ToolMissing);
    QCOMPARE(backup.thread.FailureCause().qstrDetail, qstrDetail);
    QCOMPARE(backup.thread.AppFailedCount(), 0);
}

void TestWorkerThreads::appsThatFail_data()
{
    // The app list and what archiving does; the archive runs, failed apps and
    // the cause they share. An app fails when no non-empty archive is left.
    QTest::addColumn<QByteArray>("baList");
    QTest::addColumn<QByteArray>("baArchive");
    QTest::addColumn<int>("iArchiveRuns");
    QTest::addColumn<int>("iFailed");
    QTest::addColumn<int>("iCause");
    const QByteArray baTwoApps = "a.one, \"1\", \"One\"\\nb.two, \"1\", \"Two\"\\n";
    QTest::newRow("empty archive: three attempts each")
        << baTwoApps << QByteArray(": >\"${6#copy=}/$4.ipa\"; echo 'ERROR: Archive failed.' >&2; exit 255") << 6 << 2
        << int(eiFailureCause_Unknown);
    QTest::newRow("crash: three attempts each") << baTwoApps << QByteArray("kill -SEGV $$") << 6 << 2
                                                << int(eiFailureCause_ToolCrashed);
    // Listed, but never handed to the tool: it would write outside the set.
    QTest::newRow("identifier that is no plain file name")
        << QByteArray("../../escaped, \"1\", \"Out\"\\nb.two, \"1\", \"Two\"\\n")
        << QByteArray("printf 'Archive: Complete\\nDONE.\\n'; printf x >\"${6#copy=}/$4.ipa\"") << 1 << 1
        << int(eiFailureCause_Unknown);
}

void TestWorkerThreads::appsThatFail()
{
    QFETCH(QByteArray, baList);
    QFETCH(QByteArray, baArchive);
    QFETCH(int, iArchiveRuns);
    QFETCH(int, iFailed);
    QFETCH(int, iCause);
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, "if [ \"$3\" = -l ]; then printf 'CFBundleIdentifier, CFBundleVersion, "
                                       "CFBundleDisplayName\\n" + baList + "'; exit 0; fi\n" + baArchive);
    const QString qstrSet = tools.MakeDir(u"root/set"_s);
    Backup backup(qstrSet, false, true);
    QVERIFY(backup.Run());
    // The list names every app. Saving none of the two fails the backup,
    // with the cause the apps shared.
    QCOMPARE(backup.recorder.FinalResult(), iFailed < 2 ? 1 : 0);
    COMPARE_CAUSE(backup.thread.FailureCause(), iFailed < 2 ? eiFailureCause_None : iCause);
    QCOMPARE(backup.thread.AppFailedCount(), iFailed);
    COMPARE_CAUSE(backup.thread.AppsFailureCause(), iCause);
    QCOMPARE(tools.Runs().size(), 1 + iArchiveRuns);
    QVERIFY(ScriptedTools::ReadBytes(qstrSet + u"/IPA_Backup/IpaList.txt"_s).endsWith(".ipa\r\nb.two.ipa\r\n"));
    QCOMPARE(QDir(tools.Path(u"root"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"set"_s});
}

void TestWorkerThreads::restoreRuns()
{
    // No source named: the tool restores the target's own data, "-s" left out.
    ScriptedTools tools;
    tools.Write(u"idevicebackup2"_s, "printf '] 100%% Finished\\n'");
    Restore restore(tools);
    restore.thread.bRestoreApps = false;
    restore.thread.bRestorePersonalData = true;
    restore.thread.qstrDataFolderName.clear();
    QVERIFY(restore.Run());
    QCOMPARE(restore.recorder.FinalResult(), 1);
    QCOMPARE(tools.Runs(), (QList<QStringList>{{u"idevicebackup2"_s, u"-u"_s, qstrUdid, u"restore"_s, u"--reboot"_s,
                                                u"--system"_s, restore.qstrSet}}));

    // A marker naming a data or apps folder outside the set fails the
    // restore before any tool runs.
    for (const bool bApps : {false, true}) {
        restore.thread.qstrDataFolderName = bApps ? qstrSource : u"../set/"_s + qstrSource;
        restore.thread.qstrIPAFolderName = bApps ? u"../set/IPA_Backup"_s : u"IPA_Backup"_s;
        restore.thread.bRestoreApps = bApps;
        QVERIFY(restore.Run());
        QCOMPARE(restore.recorder.listEvents.size(), 1);
        QCOMPARE(restore.recorder.FinalResult(), 0);
        COMPARE_CAUSE(restore.thread.FailureCause(), eiFailureCause_BackupIncomplete);
    }
    QCOMPARE(tools.Runs().size(), 1);

    // A Retry starts afresh: no failed apps, no apps percentage of the run before.
    tools.Write(u"ideviceinstaller"_s, baInstaller);
    restore.thread.qstrDataFolderName = qstrSource;
    restore.thread.qstrIPAFolderName = u"IPA_Backup"_s;
    QVERIFY(restore.WriteList("a.ipa\r\nmissing.ipa\r\nb.ipa\r\n"));
    QVERIFY(restore.Run());
    QCOMPARE(restore.recorder.Progress(eiStepBackupRestore_Apps), (QList<int>{0, 16, 33}));
    QCOMPARE(restore.recorder.Progress(eiStepBackupRestore_PersonalData), QList<int>{33 + 50});
    QCOMPARE(restore.thread.AppFailedCount(), 1);
    QVERIFY(restore.WriteList(""));
    QVERIFY(restore.Run());
    QCOMPARE(restore.recorder.Progress(eiStepBackupRestore_PersonalData), QList<int>{50});
    restore.thread.bRestoreApps = false;
    QVERIFY(restore.Run());
    QCOMPARE(restore.thread.AppFailedCount(), 0);
}

void TestWorkerThreads::ipaListEntries()
{
    // Text mode drops the carriage returns; a last line without its end
    // counts; empty lines do not; blanks at the end of a line are trimmed,
    // those at its start stay part of the name. Missing and empty archives
    // count as failed, and nothing outside the apps folder is ever installed.
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, baInstaller);
    Restore restore(tools);
    ScriptedTools::WriteBytes(restore.qstrApps + u"/ lead.ipa"_s, "PK");
    ScriptedTools::WriteBytes(restore.qstrApps + u"/empty.ipa"_s, "");
    ScriptedTools::WriteBytes(tools.Path(u"root/outside.ipa"_s), "PK");
    ScriptedTools::WriteBytes(tools.Path(u"abs.ipa"_s), "PK");
    QDir().mkpath(restore.qstrApps + u"/sub"_s);
    ScriptedTools::WriteBytes(restore.qstrApps + u"/sub/in.ipa"_s, "PK");
    QVERIFY(restore.WriteList("a.ipa\r\n\r\n\nb.ipa  \t\r\n lead.ipa\r\nmissing.ipa\r\nempty.ipa\r\n../outside.ipa\r\n"
                              + QFile::encodeName(tools.Path(u"abs.ipa"_s))
                              + "\r\nsub/in.ipa\r\n..\r\n.\r\n   \r\nsub\\in.ipa\r\na.ipa"));
    QVERIFY(restore.Run());
    QCOMPARE(restore.recorder.FinalResult(), 1);
    QCOMPARE(restore.thread.AppFailedCount(), 9);
    QCOMPARE(restore.recorder.Progress(eiStepBackupRestore_Apps).size(), 13);
    QCOMPARE(Installed(tools), (QStringList{u"a.ipa"_s, u"b.ipa"_s, u" lead.ipa"_s, u"a.ipa"_s}));
    COMPARE_CAUSE(restore.thread.AppsFailureCause(), eiFailureCause_BackupIncomplete);

    // A missing list, or a folder in its place: nothing to install, success.
    QVERIFY(QFile::remove(restore.List()));
    for (const bool bFolder : {false, true}) {
        QVERIFY(!bFolder || QDir().mkdir(restore.List()));
        QVERIFY(restore.Run());
        QCOMPARE(restore.recorder.listEvents.size(), 1);
        QCOMPARE(restore.recorder.FinalResult(), 1);
        QCOMPARE(restore.thread.AppFailedCount(), 0);
    }
}

void TestWorkerThreads::craftedSets()
{
    // An archive that is a pipe is never opened: it counts as a failed app.
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, baInstaller);
    Restore restore(tools);
    QVERIFY(::mkfifo(QFile::encodeName(restore.qstrApps + u"/pipe.ipa"_s).constData(), 0600) == 0);
    QVERIFY(restore.WriteList("pipe.ipa\r\na.ipa\r\n"));
    QVERIFY(restore.Run());
    QCOMPARE(restore.recorder.FinalResult(), 1);
    QCOMPARE(restore.thread.AppFailedCount(), 1);
    QCOMPARE(Installed(tools), QStringList{u"a.ipa"_s});

    // A list that is a pipe, an endless device or longer than any device's
    // apps need fails the apps step without reading it whole.
    const QByteArray baLongList = QByteArray("a.ipa\n").repeated(int(CBackup::iIpaListMaxBytes / 6 + 1));
    for (const char* szList : {"pipe", "endless", "long"}) {
        QFile::remove(restore.List());
        const QByteArray baPath = QFile::encodeName(restore.List());
        if (qstrcmp(szList, "pipe") == 0)
            QVERIFY(::mkfifo(baPath.constData(), 0600) == 0);
        else if (qstrcmp(szList, "endless") == 0)
            QVERIFY(QFile::link(u"/dev/zero"_s, restore.List()));
        else
            QVERIFY(restore.WriteList(baLongList));
        QVERIFY2(restore.Run(), szList);
        QCOMPARE(restore.recorder.FinalResult(), 0);
        COMPARE_CAUSE(restore.thread.FailureCause(), eiFailureCause_BackupIncomplete);
    }
    QCOMPARE(Installed(tools), QStringList{u"a.ipa"_s});
}

void TestWorkerThreads::endRunningTool_data()
{
    // The operation and the tool that waits, and the tool runs before the one
    // that is ended as when the device departs. (A personal-data backup ended
    // by a departure or a Cancel: the operation's own tests.)
    QTest::addColumn<bool>("bRestore");
    QTest::addColumn<QString>("qstrWaiting");
    QTest::addColumn<int>("iRunsBefore");
    // The ended archive run is the last: no retry, no further app.
    QTest::newRow("backup, archive") << false << u"ideviceinstaller"_s << 2;
    // An ended install ends the restore: no further app, no personal data.
    QTest::newRow("restore, install") << true << u"ideviceinstaller"_s << 0;
    QTest::newRow("restore, personal data") << true << u"idevicebackup2"_s << 2;
}

void TestWorkerThreads::endRunningTool()
{
    QFETCH(bool, bRestore);
    QFETCH(QString, qstrWaiting);
    QFETCH(int, iRunsBefore);
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, qstrWaiting == u"ideviceinstaller"_s
                                           ? "[ \"$3\" = -l ] && { " + baListApps + "; exit 0; }\n" + baWaitForTerm
                                           : baInstaller);
    tools.Write(u"idevicebackup2"_s, qstrWaiting == u"idevicebackup2"_s ? baWaitForTerm : baSoundSet + "printf '] 100%% Finished\\n'");
    Backup backup(tools.MakeDir(u"set"_s), true, true);
    Restore restore(tools);
    restore.WriteList("a.ipa\r\nb.ipa\r\n");
    restore.thread.bRestorePersonalData = true;
    ThreadToolRun& thread = bRestore ? static_cast<ThreadToolRun&>(restore.thread) : backup.thread;
    ThreadSignalRecorder& recorder = bRestore ? restore.recorder : backup.recorder;
    thread.StartRun();
    // Once the tool is under way, as when the device is unplugged mid-way.
    QVERIFY(QTest::qWaitFor([&] { return tools.Runs().size() == iRunsBefore + 1; }, 20000));
    QTest::qWait(200);
    thread.EndRunningTool();
    QVERIFY(recorder.WaitUntilDone(&thread, 30000));
    QCOMPARE(recorder.ResultCount(), 1);
    QCOMPARE(recorder.FinalResult(), 0);
    COMPARE_CAUSE(thread.FailureCause(), eiFailureCause_Disconnected);
    QCOMPARE(tools.Runs().size(), iRunsBefore + 1);
}

void TestWorkerThreads::requestsBelongToTheirRun()
{
    ScriptedTools tools;
    tools.Write(u"idevicebackup2"_s, baSoundSet + "printf '] 100%% Finished\\n'");
    HeldBackup backup;
    backup.qstrDeviceUDID = qstrUdid;
    backup.qstrBackupDirectory = tools.MakeDir(u"set"_s);
    backup.bBackupPersonalData = true;
    ThreadSignalRecorder recorder;
    recorder.Watch(&backup);
    // A request made after the start, before run() has begun, ends that run.
    backup.StartRun();
    backup.EndRunningTool();
    backup.semaphoreGo.release();
    QVERIFY(recorder.WaitUntilDone(&backup));
    QCOMPARE(recorder.FinalResult(), 0);
    COMPARE_CAUSE(backup.FailureCause(), eiFailureCause_Disconnected);
    QVERIFY(tools.Runs().isEmpty());

    // A request that comes right after a result was decided (the device
    // leaving at once), or after the thread ended, touches no later run.
    const QMetaObject::Connection connection = connect(
        &backup, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, &backup,
        [&backup] { backup.EndRunningTool(); }, Qt::DirectConnection);
    backup.semaphoreGo.release();
    QVERIFY(Run(backup, recorder));
    QCOMPARE(recorder.FinalResult(), 1);
    disconnect(connection);
    backup.CancelRunningTool();
    backup.semaphoreGo.release();
    QVERIFY(Run(backup, recorder));
    QCOMPARE(recorder.FinalResult(), 1);
    COMPARE_CAUSE(backup.FailureCause(), eiFailureCause_None);
}

void TestWorkerThreads::countsBelongToTheirRun()
{
    // A replaced backup, given up while its archive tool runs, counts its
    // failed app only after the new backup's result: the new count stays.
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, "[ \"$3\" = -l ] && { " + baListApps + "; exit 0; }\ncase $6 in */old/*) "
                                           + baWaitForTerm + ";; *) exit 1;; esac");
    Backup replaced(tools.MakeDir(u"old"_s), false, true);
    Backup current(tools.MakeDir(u"new"_s), false, true);
    replaced.thread.StartRun();
    QVERIFY(QTest::qWaitFor([&] { return tools.Runs().size() == 2; }, 20000));
    QVERIFY(current.Run());
    QCOMPARE(current.thread.AppFailedCount(), 2);
    replaced.thread.EndRunningTool();
    QVERIFY(replaced.recorder.WaitUntilDone(&replaced.thread));
    QCOMPARE(replaced.thread.AppFailedCount(), 1);
    QCOMPARE(current.thread.AppFailedCount(), 2);
}

QTEST_GUILESS_MAIN(TestWorkerThreads)
#include "TestWorkerThreads.moc"
