// Finding and starting the tools, running one to its end, reading its output
// read by read, following idevicebackup2 pass by pass, and the app operations
// built on ideviceinstaller. Short shell scripts stand in for the tools where
// no device makes the real ones do what a case needs.
#include "AppGlobals.h"
#include "CCmdLineExecuterQT.h"
#include "CDeviceOperater.h"
#include "CDllTextLogQT.h"
#include "CProgressToolRun.h"
#include "CToolEndRequest.h"
#include "CToolOutputScanner.h"
#include "CToolSettings.h"
#include "CToolStarter.h"
#include "ScriptedTools.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString qstrStartFailed = u"QProcessThis.waitForFinished failed, return false"_s;
const QString qstrEnded = u"QProcessThis was ended on request, return false"_s;
const QString qstrUdid = u"00008101-000A1B2C3D4E5F60"_s;

struct ShellRun
{
    bool bResult = false;
    QString strStdOutput = u"untouched out"_s;
    QString strStdError = u"untouched err"_s;
    QString strErrorMessage = u"untouched message"_s;
    structToolExit structToolExitThis;
};

ShellRun RunShell(const QString& qstrScript, int iTimeoutMsecs = -1, const QStringList& listExtra = QStringList(),
                  const CToolEndRequest* pEndRequest = nullptr)
{
    ShellRun run;
    run.bResult = CCmdLineExecuterQT::ExecuteAndGetStdOutput(
        u"/bin/sh"_s, QStringList{u"-c"_s, qstrScript} + listExtra, run.strStdOutput, run.strStdError,
        run.strErrorMessage, iTimeoutMsecs, &run.structToolExitThis, pEndRequest);
    return run;
}

// Sets an environment variable until the guard goes.
auto SetEnv(const char* szName, const QByteArray& baValue)
{
    const QByteArray baSaved = qgetenv(szName);
    qputenv(szName, baValue);
    return qScopeGuard([szName, baSaved] { qputenv(szName, baSaved); });
}

// The run of a progress tool to its end: the last percentage and the largest pass.
struct ProgressRun
{
    bool bSucceeded = false;
    int iLastProgress = -1;
    qsizetype iLargestPass = 0;
    qint64 iTotal = 0;
};

ProgressRun FollowBackupTool()
{
    ProgressRun result;
    CProgressToolRun run(nullptr);
    if (!run.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()), {u"backup"_s}, {}))
        return result;
    CProgressToolRun::structPass pass;
    do {
        pass = run.NextPass();
        result.iTotal += pass.qstrStdOutput.size();
        result.iLargestPass = qMax(result.iLargestPass, pass.qstrStdOutput.size());
        if (pass.structScanThis.bFinished)
            result.iLastProgress = pass.structScanThis.iProgress;
    } while (!pass.bToolFinished);
    result.bSucceeded = run.Succeeded();
    return result;
}

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private slots:
    void programLookup();
    void lineBuffering();
    void executerRuns_data();
    void executerRuns();
    void executerEnds();
    void executerWritesRuledTraceLines();
    void scannerReads_data();
    void scannerReads();
    void progressText();
    void failureCauses_data();
    void failureCauses();
    void toolEndsWithTheProgram();
    void progressRunReadsInBoundedPasses();
    void appList_data();
    void appList();
    void installerRuns_data();
    void installerRuns();
    void runsThatNeverStart();
};

void TestTools::programLookup()
{
    // The program folder comes first, even with the tool on the search path.
    ScriptedTools tools;
    tools.Write(u"idevicebackup2"_s, "exit 0");
    const QString qstrOnPath = tools.MakeDir(u"path"_s) + u"/idevicebackup2"_s;
    QVERIFY(QFile::copy(tools.Path(u"program/idevicebackup2"_s), qstrOnPath));
    QVERIFY(QFile::setPermissions(qstrOnPath, QFile::permissions(qstrOnPath) | QFileDevice::ExeOwner));
    auto path = SetEnv("PATH", QFile::encodeName(tools.Path(u"path"_s)));
    QCOMPARE(CToolStarter::ProgramPath(u"idevicebackup2"_s), tools.Path(u"program/idevicebackup2"_s));

    // A program folder without the tool, or with a file that cannot run: the search path.
    CToolSettings::SetProgramFolder(tools.MakeDir(u"empty"_s));
    QCOMPARE(CToolStarter::ProgramPath(u"idevicebackup2"_s), qstrOnPath);
    QVERIFY(ScriptedTools::WriteBytes(tools.Path(u"empty/idevicebackup2"_s), "not a program"));
    QCOMPARE(CToolStarter::ProgramPath(u"idevicebackup2"_s), qstrOnPath);

    // Found nowhere: the program-folder path, which then cannot be started.
    qputenv("PATH", QFile::encodeName(tools.MakeDir(u"nothing"_s)));
    QCOMPARE(CToolStarter::ProgramPath(u"ideviceinstaller"_s), tools.Path(u"empty/ideviceinstaller"_s));
    QProcess process;
    QVERIFY(!CToolStarter::Start(process, tools.Path(u"empty/ideviceinstaller"_s), QStringList(), nullptr));
}

void TestTools::lineBuffering()
{
    const QString qstrLib = u"/opt/x/libstdbuf.so"_s;
    QProcessEnvironment environment;
    environment.insert(u"HOME"_s, u"/home/u"_s);
    const QProcessEnvironment withLib = CToolStarter::WithLineBuffering(environment, qstrLib);
    QCOMPARE(withLib.value(u"LD_PRELOAD"_s), qstrLib);
    QCOMPARE(withLib.value(u"_STDBUF_O"_s), u"L"_s);
    QCOMPARE(withLib.value(u"HOME"_s), u"/home/u"_s);
    // Libraries already preloaded stay, and first; the library is not added twice.
    environment.insert(u"LD_PRELOAD"_s, u"/a/first.so /a/second.so"_s);
    QCOMPARE(CToolStarter::WithLineBuffering(environment, qstrLib).value(u"LD_PRELOAD"_s),
             u"/a/first.so /a/second.so:"_s + qstrLib);
    environment.insert(u"LD_PRELOAD"_s, u"/a/first.so:"_s + qstrLib);
    QCOMPARE(CToolStarter::WithLineBuffering(environment, qstrLib).value(u"LD_PRELOAD"_s), u"/a/first.so:"_s + qstrLib);
    QVERIFY(!CToolStarter::WithLineBuffering(environment, QString()).contains(u"_STDBUF_O"_s));

    if (CToolStarter::LineBufferLibrary().isEmpty())
        QSKIP("coreutils' libstdbuf is not installed");
    // A tool's C library buffers a pipe in blocks (a restore never flushes):
    // only line buffering lets its progress arrive while it still runs.
    ScriptedTools tools;
    tools.Write(u"idevicebackup2"_s, "{ printf ']  42%% Finished\\n'; exec cat; } | sed ''");
    CToolEndRequest request;
    CProgressToolRun run(&request);
    QVERIFY(run.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()), {u"restore"_s}, {}));
    bool bFinishedWhileRunning = false;
    for (int iPass = 0; iPass < 20 && !bFinishedWhileRunning; ++iPass) {
        const CProgressToolRun::structPass pass = run.NextPass();
        QVERIFY(!pass.bToolFinished);
        bFinishedWhileRunning = pass.structScanThis.bFinished;
    }
    QVERIFY(bFinishedWhileRunning);
    // The running process itself is left alone.
    QCOMPARE(qEnvironmentVariable("_STDBUF_O"), QString());
    request.Request(eiFailureCause_Disconnected);
    QVERIFY(run.NextPass().bToolFinished);
    QVERIFY(!run.Succeeded());
}

void TestTools::executerRuns_data()
{
    QTest::addColumn<QString>("qstrScript");
    QTest::addColumn<QStringList>("listExtra");
    QTest::addColumn<int>("iTimeoutMsecs");
    QTest::addColumn<QString>("qstrOut");
    QTest::addColumn<QString>("qstrErr");
    QTest::addColumn<int>("iExitCode"); // -1: ended by a signal; -2: not finished
    // Both channels apart; a non-zero exit code still counts as a run.
    QTest::newRow("channels") << u"printf 'out\\nline'; printf 'err' >&2; exit 3"_s << QStringList() << -1
                              << u"out\nline"_s << u"err"_s << 3;
    // Each argument reaches the program as one, blanks and empty ones included.
    QTest::newRow("arguments") << u"printf '%s|' \"$@\""_s << QStringList{u"sh"_s, u"a b"_s, QString(), u"c"_s}
                               << -1 << u"a b||c|"_s << QString() << 0;
    // Bytes outside ASCII are decoded with the locale's code page (UTF-8 here).
    QTest::newRow("non-ASCII") << u"printf '\\303\\251\\346\\227\\245'"_s << QStringList() << -1
                               << QString::fromUtf8("\xC3\xA9\xE6\x97\xA5") << QString() << 0;
    // A crash is a run that ended, though not normally.
    QTest::newRow("crash") << u"kill -SEGV $$"_s << QStringList() << -1 << QString() << QString() << -1;
    // No time limit: waits for a program that takes its time.
    QTest::newRow("slow") << u"sleep 0.3; printf done"_s << QStringList() << -1 << u"done"_s << QString() << 0;
    // Still running at the limit: killed, and the outputs stay as they were.
    QTest::newRow("time limit") << u"printf early; exec sleep 30"_s << QStringList() << 300 << u"untouched out"_s
                                << u"untouched err"_s << -2;
}

void TestTools::executerRuns()
{
    QFETCH(QString, qstrScript);
    QFETCH(QStringList, listExtra);
    QFETCH(int, iTimeoutMsecs);
    QFETCH(QString, qstrOut);
    QFETCH(QString, qstrErr);
    QFETCH(int, iExitCode);
    const ShellRun run = RunShell(qstrScript, iTimeoutMsecs, listExtra);
    QCOMPARE(run.bResult, iExitCode != -2);
    QCOMPARE(run.strStdOutput, qstrOut);
    QCOMPARE(run.strStdError, qstrErr);
    QCOMPARE(run.strErrorMessage, iExitCode == -2 ? qstrStartFailed : u"untouched message"_s);
    if (iExitCode != -2)
        QCOMPARE(run.structToolExitThis.bNormalExit, iExitCode >= 0);
    if (iExitCode >= 0)
        QCOMPARE(run.structToolExitThis.iExitCode, iExitCode);
}

void TestTools::executerEnds()
{
    // A program that cannot start leaves the outputs alone.
    QString strStdOutput = u"kept"_s;
    QString strStdError = u"kept"_s;
    QString strErrorMessage;
    QVERIFY(!CCmdLineExecuterQT::ExecuteAndGetStdOutput(u"/nonexistent/tool"_s, {}, strStdOutput, strStdError,
                                                        strErrorMessage, -1));
    QCOMPARE(strErrorMessage, qstrStartFailed);
    QCOMPARE(strStdOutput + strStdError, u"keptkept"_s);

    // A running program is ended on request: one ends on SIGTERM, the other
    // ignores it and is killed after the grace.
    for (const QString& qstrScript : {u"exec sleep 30"_s, u"trap '' TERM; exec sleep 30"_s}) {
        CToolEndRequest request;
        ShellRun run;
        std::unique_ptr<QThread> worker(QThread::create([&] { run = RunShell(qstrScript, -1, {}, &request); }));
        worker->start();
        QTest::qWait(300);
        request.Request(eiFailureCause_Disconnected);
        QVERIFY2(worker->wait(QDeadlineTimer(20000)), "the run did not end on request");
        QVERIFY(!run.bResult);
        QCOMPARE(run.strErrorMessage, qstrEnded);
    }
}

void TestTools::executerWritesRuledTraceLines()
{
    QTemporaryDir dir;
    const QByteArray baSavedLog = g_baLogFilePath;
    g_baLogFilePath = QFile::encodeName(dir.filePath(u"trace.log"_s));
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    QString strErrorMessage;
    QVERIFY2(g_CDllTextLogQT.InitDataDll(strErrorMessage), qPrintable(strErrorMessage));
    const ShellRun run = RunShell(u"printf 'out'; printf 'err' >&2"_s);
    g_CDllTextLogQT.m_pfnWriteLogLPCSTR = nullptr;
    g_baLogFilePath = baSavedLog;
    QVERIFY(run.bResult);

    // Each text between rulers, marked by stars (output) or circles (errors).
    const QByteArray baLog = ScriptedTools::ReadBytes(dir.filePath(u"trace.log"_s));
    const QByteArray baRuler(115, '=');
    QVERIFY(baLog.contains("strStdOutput : out"));
    QVERIFY(baLog.contains("strStdError : err"));
    QVERIFY(baLog.contains("strStdOutput : \r\n" + baRuler + QByteArray("\xA1\xEF").repeated(6) + "\r\nout\r\n" + baRuler));
    QVERIFY(baLog.contains("strStdError : \r\n" + baRuler + QByteArray("\xA1\xF1").repeated(6) + "\r\nerr\r\n" + baRuler));
    QVERIFY(baLog.contains("CCmdLineExecuterQT::ExecuteAndGetStdOutput:"));
}

void TestTools::scannerReads_data()
{
    // Reads of standard output ("2>": of standard error), the last one at
    // the tool's end; the first read that shows an error word (-1: none); the
    // last progress reported (-1: none) and how many reads reported one.
    QTest::addColumn<QStringList>("listReads");
    QTest::addColumn<QStringList>("listArgumentTexts");
    QTest::addColumn<int>("iErrorRead");
    QTest::addColumn<int>("iProgress");
    QTest::addColumn<int>("iFinishedReads");
    const QString qstrLong(CToolOutputScanner::iLineLimit - 3, QLatin1Char('x'));
    const QString qstrTail(100000, QLatin1Char('y'));
    // The four error words, case-sensitive, "Error" only with its blank.
    QTest::newRow("Failed") << QStringList{u"Backup Failed (Error Code 105).\n"_s} << QStringList() << 0 << -1 << 0;
    QTest::newRow("ERROR:") << QStringList{u"2>ERROR: Could not connect to lockdownd, error code -19\n"_s}
                            << QStringList() << 0 << -1 << 0;
    QTest::newRow("ErrorCode") << QStringList{u"ErrorCode 208: Device locked\n"_s} << QStringList() << 0 << -1 << 0;
    QTest::newRow("Error and its blank") << QStringList{u"Got Error 5\n"_s} << QStringList() << 0 << -1 << 0;
    QTest::newRow("no error words") << QStringList{u"Error: x, error and failed, ERROR getting AFC\n"_s}
                                    << QStringList() << -1 << -1 << 0;
    QTest::newRow("error word in two reads")
        << QStringList{u"Backup Fai"_s, u"led (Error Code 0).\n"_s, u""_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("on standard error") << QStringList{u"2>Err"_s, u"2>orCode 105\n"_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("blank in the next read") << QStringList{u"Got Error"_s, u" 5\n"_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("line ended by the tool's end")
        << QStringList{u"x\n"_s, u"Backup Failed"_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("Finished and Failed in one read")
        << QStringList{u"]  42% Finished\nBackup Failed.\n"_s} << QStringList() << 0 << 42 << 1;
    QTest::newRow("Finished in two reads")
        << QStringList{u"\r[=====]  42% Fini"_s, u"shed\n"_s, u""_s} << QStringList() << -1 << 42 << 1;
    QTest::newRow("Finished reported once")
        << QStringList{u"]   7% Finished\n"_s, u""_s, u"Backup Successful.\n"_s} << QStringList() << -1 << 7 << 1;
    QTest::newRow("Finished on standard error is no progress")
        << QStringList{u"2>]   7% Finished\n"_s} << QStringList() << -1 << -1 << 0;
    QTest::newRow("last Finished of a long read")
        << QStringList{u"\r[=]   3% Finished\n"_s.repeated(20000) + u"\r[=]  61% Finished\n"_s} << QStringList() << -1
        << 61 << 1;
    // What the tool echoes of its arguments is not its own word.
    QTest::newRow("folder echoed") << QStringList{u"Backup directory is \"/r/Error reports/Failed Phone\"\n"_s,
                                                  u"2>Copying '/r/Error reports/Failed Phone/Finished' -->\n"_s}
                                   << QStringList{u"/r/Error reports/Failed Phone"_s} << -1 << -1 << 0;
    QTest::newRow("folder echoed in two reads")
        << QStringList{u"is \"/r/Fai"_s, u"led\" ]   9% Finished\n"_s} << QStringList{u"/r/Failed"_s} << -1 << 9 << 1;
    QTest::newRow("own words beside a folder")
        << QStringList{u"ERROR: Backup directory \"/r/Failed\" does not exist!"_s} << QStringList{u"/r/Failed"_s} << 0
        << -1 << 0;
    // A line longer than the limit is judged in pieces, never cut through a word.
    QTest::newRow("long line, folder at the cut")
        << QStringList{qstrLong.mid(4) + u"'Failed dir'"_s + qstrTail, u"\n"_s} << QStringList{u"Failed dir"_s} << -1
        << -1 << 0;
    QTest::newRow("long line, word at the cut")
        << QStringList{qstrLong + u"Failed"_s + qstrTail, u"\n"_s} << QStringList() << 0 << -1 << 0;
    QTest::newRow("long line, word at the cut in two reads")
        << QStringList{qstrLong + u"x Fa"_s, u"iled\n"_s} << QStringList() << 1 << -1 << 0;
}

void TestTools::scannerReads()
{
    QFETCH(QStringList, listReads);
    QFETCH(QStringList, listArgumentTexts);
    QFETCH(int, iErrorRead);
    QFETCH(int, iProgress);
    QFETCH(int, iFinishedReads);
    CToolOutputScanner scanner(listArgumentTexts);
    int iFirstError = -1;
    int iLastProgress = -1;
    int iFinished = 0;
    for (qsizetype i = 0; i < listReads.size(); ++i) {
        const QString& qstrRead = listReads.at(i);
        const bool bError = qstrRead.startsWith(u"2>"_s);
        const CToolOutputScanner::structScan scan = scanner.ScanRead(
            bError ? QString() : qstrRead, bError ? qstrRead.mid(2) : QString(), i == listReads.size() - 1);
        if (scan.bErrorWord && iFirstError < 0)
            iFirstError = int(i);
        if (scan.bFinished) {
            iLastProgress = scan.iProgress;
            ++iFinished;
        }
    }
    QCOMPARE(iFirstError, iErrorRead);
    QCOMPARE(iLastProgress, iProgress);
    QCOMPARE(iFinished, iFinishedReads);
}

void TestTools::progressText()
{
    // Four characters from six before "Finished", cut off at the start of the text.
    const QList<QPair<QString, QString>> listWindows{
        {u"]  42% Finished"_s, u"  42"_s}, {u"] 100% Finished"_s, u" 100"_s}, {u"100% Finished"_s, u"100"_s},
        {u"Finished"_s, QString()}};
    for (const auto& pairWindow : listWindows)
        QCOMPARE(CToolOutputScanner::ProgressText(pairWindow.first, pairWindow.first.indexOf(u"Finished"_s)),
                 pairWindow.second);
    const QList<QPair<QString, int>> listNumbers{{u"  42"_s, 42}, {u"   0"_s, 0}, {u" 250"_s, 250},
                                                 {u"ab 4"_s, 0},   {QString(), 0}};
    for (const auto& pairNumber : listNumbers)
        QCOMPARE(CToolOutputScanner::ProgressNumber(pairNumber.first), pairNumber.second);
}

void TestTools::failureCauses_data()
{
    // Output no real tool could be made to print here, and endings: the cause
    // and its detail ("#N": a detail N characters long).
    QTest::addColumn<QString>("qstrOutput");
    QTest::addColumn<QString>("qstrError");
    QTest::addColumn<int>("iEnd"); // exit code; -N: signal N; 1000 + reason: ended on request, exit 255
    QTest::addColumn<int>("iCause");
    QTest::addColumn<QString>("qstrDetail");
    const QString qstrLost = u"ERROR: Could not receive from mobilebackup2 (-256)"_s;
    const QString qstrLocked = u"ErrorCode 208: Device locked"_s;
    QTest::newRow("new line") << u"[==]  3% Finished\nSomething new\n[==]  4% (1 MB/2 MB)"_s << QString() << 255
                              << int(eiFailureCause_Unknown) << u"Something new"_s;
    QTest::newRow("no output") << QString() << u"\n  \n"_s << 255 << int(eiFailureCause_Unknown) << QString();
    QTest::newRow("very long line") << u"ERROR: "_s + QString(5000, QLatin1Char('x')) << u"Exiting..."_s << 255
                                    << int(eiFailureCause_Unknown) << u"#300"_s;
    QTest::newRow("error word line before the last")
        << u"Backup Failed (Error Code 0).\nBackup Aborted.\n"_s << QString() << 0 << int(eiFailureCause_Unknown)
        << u"Backup Failed (Error Code 0)."_s;
    QTest::newRow("no room on the computer")
        << u"Error opening 'a' for writing: No space left on device"_s << QString() << 255
        << int(eiFailureCause_DiskFull) << u"Error opening 'a' for writing: No space left on device"_s;
    QTest::newRow("folder not writable") << QString() << u"ERROR: fopen: /s/a.ipa: Permission denied"_s << 255
                                         << int(eiFailureCause_FolderNotWritable)
                                         << u"ERROR: fopen: /s/a.ipa: Permission denied"_s;
    QTest::newRow("no device") << u"No device found with udid X."_s << QString() << 255
                               << int(eiFailureCause_NoDevice) << u"No device found with udid X."_s;
    QTest::newRow("usbmuxd refused") << u"ERROR: Could not connect to lockdownd, error code -8"_s << QString() << 255
                                     << int(eiFailureCause_NoDevice)
                                     << u"ERROR: Could not connect to lockdownd, error code -8"_s;
    QTest::newRow("first cause stands") << qstrLost + u"\nErrorCode 105: x\n"_s << QString() << 255
                                        << int(eiFailureCause_Disconnected) << qstrLost;
    QTest::newRow("departure, nothing said") << QString() << u"Exiting..."_s << 1000 + int(eiFailureCause_Disconnected)
                                             << int(eiFailureCause_Disconnected) << QString();
    QTest::newRow("departure, cause said") << qstrLocked << QString() << 1000 + int(eiFailureCause_Disconnected)
                                           << int(eiFailureCause_DeviceLocked) << qstrLocked;
    QTest::newRow("cancelled") << qstrLocked << QString() << 1000 + int(eiFailureCause_Cancelled)
                               << int(eiFailureCause_Cancelled) << QString();
}

void TestTools::failureCauses()
{
    QFETCH(QString, qstrOutput);
    QFETCH(QString, qstrError);
    QFETCH(int, iEnd);
    QFETCH(int, iCause);
    QFETCH(QString, qstrDetail);
    CToolOutputScanner scanner;
    scanner.ScanRead(qstrOutput, qstrError, true);
    const structToolExit exit{iEnd >= 0, iEnd >= 1000 ? 255 : qAbs(iEnd)};
    const structFailureCause cause =
        scanner.Classifier().Cause(exit, iEnd >= 1000 ? enumFailureCause(iEnd - 1000) : eiFailureCause_None);
    QCOMPARE(FailureCauseName(cause.eiCause), FailureCauseName(enumFailureCause(iCause)));
    if (qstrDetail.startsWith(QLatin1Char('#')))
        QCOMPARE(cause.qstrDetail.size(), qstrDetail.mid(1).toInt());
    else
        QCOMPARE(cause.qstrDetail, qstrDetail);
}

void TestTools::toolEndsWithTheProgram()
{
    // A program killed while its tool runs takes the tool with it.
    QProcess program;
    program.start(QCoreApplication::applicationFilePath(), {u"--start-tool-and-wait"_s});
    QVERIFY(program.waitForReadyRead(20000));
    const QByteArray baToolId = program.readLine().trimmed();
    const auto toolRuns = [&baToolId] {
        // Gone, or a zombie that nobody reaps.
        const QByteArray baStat = ScriptedTools::ReadBytes(u"/proc/"_s + QString::fromLatin1(baToolId) + u"/stat"_s);
        const qsizetype iStateAt = baStat.lastIndexOf(") ") + 2;
        return iStateAt >= 2 && iStateAt < baStat.size() && baStat.at(iStateAt) != 'Z';
    };
    QVERIFY2(baToolId.toLongLong() > 0 && toolRuns(), baToolId.constData());
    program.kill();
    QVERIFY(program.waitForFinished(20000));
    QVERIFY2(QTest::qWaitFor([&] { return !toolRuns(); }, 20000), "the tool outlived the program");
}

void TestTools::progressRunReadsInBoundedPasses()
{
    // Megabytes of output arrive in passes of bounded size, however fast the
    // tool writes, and every "Finished" of them is still followed.
    ScriptedTools tools;
    tools.Write(u"idevicebackup2"_s, "yes '[=====]  50% (1.0 MB/2.0 MB)' | head -c 8000000; printf '] 100%% Finished\\n'");
    const ProgressRun run = FollowBackupTool();
    QVERIFY(run.iTotal > 8000000);
    // One pass holds at most the pass limit plus what one read brings in.
    QVERIFY2(run.iLargestPass <= 3 * CProgressToolRun::iPassBytes, qPrintable(QString::number(run.iLargestPass)));
    QCOMPARE(run.iLastProgress, 100);
    QVERIFY(run.bSucceeded);
}

void TestTools::appList_data()
{
    // The list output after its heading; the apps it yields as id|name|version.
    QTest::addColumn<QString>("qstrLines");
    QTest::addColumn<QStringList>("listApps");
    QTest::newRow("lines ended by LF") << u"a.b, \"1.0\", \"Notes\"\nc.d, \"2\", \"Maps\"\n"_s
                                       << QStringList{u"a.b|Notes|1.0"_s, u"c.d|Maps|2"_s};
    // The Windows build's C runtime ends lines with CR LF.
    QTest::newRow("lines ended by CR LF") << u"a.b, \"1.0\", \"Notes\"\r\nc.d, \"No Version\"\r\n"_s
                                          << QStringList{u"a.b|Notes|1.0"_s, u"c.d|No Version|"_s};
    // Columns are cut at every ", ": a name keeps its first part less its last character.
    QTest::newRow("comma in a name") << u"a.b, \"1\", \"Space, the Game\""_s << QStringList{u"a.b|Spac|1"_s};
    // Columns of fewer than two characters give empty members; lines of one column are no apps.
    QTest::newRow("odd lines") << u"one.column\r\n\r\na.b, \"1\", \"N\", \"extra\"\nc.d, \"\"\ne.f, x, y"_s
                               << QStringList{u"a.b|N|1"_s, u"c.d||"_s, u"e.f||"_s};
    QTest::newRow("heading only") << QString() << QStringList();
}

void TestTools::appList()
{
    QFETCH(QString, qstrLines);
    QFETCH(QStringList, listApps);
    QList<structAppInfo> listAppInfo{{u"kept"_s, u"K"_s, u"1"_s}};
    CDeviceOperater::ParseAppList(u"CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName\n"_s + qstrLines,
                                  listAppInfo);
    QStringList listParsed;
    for (const structAppInfo& app : listAppInfo)
        listParsed.append(app.qstrAppID + u'|' + app.qstrAppName + u'|' + app.qstrAppVersion);
    QCOMPARE(listParsed, QStringList{u"kept|K|1"_s} + listApps);
}

void TestTools::installerRuns_data()
{
    // One operation against a scripted ideviceinstaller: its result, the
    // failure's cause and detail.
    QTest::addColumn<QString>("qstrOperation");
    QTest::addColumn<QByteArray>("baScript");
    QTest::addColumn<bool>("bResult");
    QTest::addColumn<int>("iCause");
    QTest::addColumn<QString>("qstrDetail");
    const QByteArray baArchived = "printf 'Archive: Complete (100%%)\\n'; ";
    QTest::newRow("list, no device") << "list" << QByteArray("echo \"No device found with udid $2.\" >&2; exit 255")
                                     << false << int(eiFailureCause_NoDevice) << u"No device found with udid "_s + qstrUdid + u'.';
    QTest::newRow("list crashes") << "list" << QByteArray("echo 'CFBundleIdentifier, CFBundleVersion'; kill -SEGV $$")
                                  << false << int(eiFailureCause_ToolCrashed) << u"11"_s;
    QTest::newRow("archive copied") << "archive" << baArchived + "printf \"Copying 'x.zip' --> '%s'... DONE.\\n\" \"$6\""
                                    << true << int(eiFailureCause_None) << QString();
    // A failed copy can leave an empty archive, with exit code 255 or with
    // exit code 0 and no error word; a copy of another size says so.
    QTest::newRow("archive info unknown") << "archive"
                                          << QByteArray("echo \"ERROR getting AFC file info for 'x.zip' on device!\" >&2; exit 255")
                                          << false << int(eiFailureCause_Unknown)
                                          << u"ERROR getting AFC file info for 'x.zip' on device!"_s;
    QTest::newRow("archive length unknown, exit 0")
        << "archive" << baArchived + "echo 'Hm... remote file length could not be determined. Cannot copy.' >&2"
        << false << int(eiFailureCause_Unknown) << u"Hm... remote file length could not be determined. Cannot copy."_s;
    QTest::newRow("archive sizes differ") << "archive" << baArchived + "printf 'DONE.\\n'; echo \"sizes don't match\" >&2"
                                          << false << int(eiFailureCause_Unknown) << u"sizes don't match"_s;
    QTest::newRow("installed") << "install" << QByteArray("printf \"Installing '%s'\\nInstall: Complete\\n\" \"$4\"")
                               << true << int(eiFailureCause_None) << QString();
    // A failed upload ends with exit code 0 and none of the error words.
    QTest::newRow("install upload fails, exit 0")
        << "install" << QByteArray("echo \"afc_file_open on 'PublicStaging/a' failed!\" >&2") << false
        << int(eiFailureCause_Unknown) << u"afc_file_open on 'PublicStaging/a' failed!"_s;
    QTest::newRow("install crashes") << "install" << QByteArray("kill -SEGV $$") << false
                                     << int(eiFailureCause_ToolCrashed) << u"11"_s;
}

void TestTools::installerRuns()
{
    QFETCH(QString, qstrOperation);
    QFETCH(QByteArray, baScript);
    QFETCH(bool, bResult);
    QFETCH(int, iCause);
    QFETCH(QString, qstrDetail);
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, baScript);
    const QString qstrApps = tools.MakeDir(u"set/IPA_Backup"_s);
    // A backslash in a path reaches the tool as "/".
    const QString qstrAppsWithBackslash = tools.Path(u"set\\IPA_Backup"_s);
    QString strErrorMessage;
    structFailureCause cause;
    QList<structAppInfo> listAppInfo;
    QStringList listArguments;
    bool bDone = false;
    if (qstrOperation == u"list"_s) {
        bDone = CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage, nullptr, &cause);
        listArguments = QStringList{u"-u"_s, qstrUdid, u"-l"_s};
    } else if (qstrOperation == u"archive"_s) {
        bDone = CDeviceOperater::BackupApp(qstrUdid, qstrAppsWithBackslash, u"a.b"_s, strErrorMessage, nullptr, &cause);
        listArguments = QStringList{u"-u"_s, qstrUdid, u"-a"_s, u"a.b"_s, u"-o"_s, u"copy="_s + qstrApps, u"-o"_s,
                                    u"remove"_s};
    } else {
        bDone = CDeviceOperater::InstallApp(qstrUdid, qstrAppsWithBackslash + u"/a.ipa"_s, strErrorMessage, nullptr,
                                            &cause);
        listArguments = QStringList{u"-u"_s, qstrUdid, u"-i"_s, qstrApps + u"/a.ipa"_s};
    }
    QCOMPARE(bDone, bResult);
    QCOMPARE(FailureCauseName(cause.eiCause), FailureCauseName(enumFailureCause(iCause)));
    QCOMPARE(cause.qstrDetail, qstrDetail);
    QCOMPARE(tools.Runs(), QList<QStringList>{QStringList{u"ideviceinstaller"_s} + listArguments});
    QVERIFY(strErrorMessage.isEmpty() && listAppInfo.isEmpty());
}

void TestTools::runsThatNeverStart()
{
    // An end requested before the run, or a tool found nowhere: each operation
    // fails with the reason and the routine in its message, and no tool runs.
    ScriptedTools tools;
    tools.Write(u"ideviceinstaller"_s, "exit 0");
    CToolEndRequest request;
    request.Request(eiFailureCause_Cancelled);
    const auto verifyAll = [&](const CToolEndRequest* pRequest, const QString& qstrReason, enumFailureCause eiCause) {
        QList<structAppInfo> listAppInfo;
        QString strErrorMessage = u"replaced"_s;
        const QString qstrPrefix = qstrReason + u"\r\nCDeviceOperater::"_s;
        structFailureCause cause;
        QVERIFY(!CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage, pRequest, &cause));
        QCOMPARE(strErrorMessage, qstrPrefix + u"GetAppInfoList"_s);
        QVERIFY(!CDeviceOperater::BackupApp(qstrUdid, tools.Path(u"x"_s), u"a.b"_s, strErrorMessage, pRequest));
        QCOMPARE(strErrorMessage, qstrPrefix + u"BackupApp"_s);
        QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, tools.Path(u"x.ipa"_s), strErrorMessage, pRequest));
        QCOMPARE(strErrorMessage, qstrPrefix + u"InstallApp"_s);
        QCOMPARE(FailureCauseName(cause.eiCause), FailureCauseName(eiCause));
        QCOMPARE(cause.qstrDetail, eiCause == eiFailureCause_ToolMissing ? u"ideviceinstaller"_s : QString());
    };
    verifyAll(&request, qstrEnded, eiFailureCause_Cancelled);
    QVERIFY(tools.Runs().isEmpty());
    CToolSettings::SetProgramFolder(tools.MakeDir(u"empty program folder"_s));
    auto path = SetEnv("PATH", QFile::encodeName(tools.MakeDir(u"empty path"_s)));
    verifyAll(nullptr, qstrStartFailed, eiFailureCause_ToolMissing);
}

// With "--start-tool-and-wait" this program only starts a tool, prints the
// tool's process id and waits to be killed (toolEndsWithTheProgram).
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(u"--start-tool-and-wait"_s)) {
        QProcess tool;
        if (!CToolStarter::Start(tool, u"/bin/sleep"_s, {u"120"_s}, nullptr))
            return 1;
        std::printf("%lld\n", static_cast<long long>(tool.processId()));
        std::fflush(stdout);
        QThread::sleep(120);
        return 0;
    }
    TestTools test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestTools.moc"
