// Finding and starting the tools, running a program to its end, reading a
// tool's output read by read, and following idevicebackup2 pass by pass.
#include "AppGlobals.h"
#include "CCmdLineExecuterQT.h"
#include "CDllTextLogQT.h"
#include "CProgressToolRun.h"
#include "CToolEndRequest.h"
#include "CToolOutputScanner.h"
#include "CToolStarter.h"
#include "FakeToolSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString qstrStartFailed = u"QProcessThis.waitForFinished failed, return false"_s;
const QString qstrEnded = u"QProcessThis was ended on request, return false"_s;

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

CToolOutputScanner::structScan Scan(const QString& qstrText)
{
    return CToolOutputScanner().ScanRead(qstrText, QString(), true);
}

} // namespace

class TestToolRunner : public QObject
{
    Q_OBJECT

private slots:
    void programLookup();
    void lineBufferingEnvironment();
    void lineBufferedOutputArrivesWhileTheToolRuns();
    void executerRuns_data();
    void executerRuns();
    void executerFailures();
    void executerEndsARunningToolOnRequest();
    void executerWritesRuledTraceLines();
    void scannerErrorWords();
    void scannerReads_data();
    void scannerReads();
    void failureCauses_data();
    void failureCauses();
    void toolEndsWithTheProgram();
    void scannerProgressWindow();
    void progressRunReadsInBoundedPasses();
};

void TestToolRunner::programLookup()
{
    FakeToolSession session;
    QCOMPARE(CToolStarter::BackupToolName(), u"idevicebackup2"_s);
    QCOMPARE(CToolStarter::InstallerToolName(), u"ideviceinstaller"_s);

    // The program folder comes first, even with the tool on the search path.
    const QString qstrOnPath = session.MakeDir(u"path"_s) + u"/idevicebackup2"_s;
    QVERIFY(FakeToolSession::WriteBytes(qstrOnPath, "#!/bin/sh\nexit 0\n"));
    QVERIFY(QFile::setPermissions(qstrOnPath, QFile::permissions(qstrOnPath) | QFileDevice::ExeOwner));
    session.SetEnv("PATH", session.Path(u"path"_s));
    QCOMPARE(CToolStarter::ProgramPath(u"idevicebackup2"_s), FakeToolSession::FakesDir() + u"/idevicebackup2"_s);

    // A program folder without the tool, or with a file that cannot run: the search path.
    g_qstrAppDirPath = session.MakeDir(u"program"_s);
    QCOMPARE(CToolStarter::ProgramPath(u"idevicebackup2"_s), qstrOnPath);
    QVERIFY(FakeToolSession::WriteBytes(g_qstrAppDirPath + u"/idevicebackup2"_s, "not a program"));
    QCOMPARE(CToolStarter::ProgramPath(u"idevicebackup2"_s), qstrOnPath);

    // Found nowhere: the program-folder path, which then cannot be started.
    session.SetEnv("PATH", session.MakeDir(u"nothing"_s));
    const QString qstrInstaller = CToolStarter::ProgramPath(u"ideviceinstaller"_s);
    QCOMPARE(qstrInstaller, g_qstrAppDirPath + u"/ideviceinstaller"_s);
    QProcess process;
    QVERIFY(!CToolStarter::Start(process, qstrInstaller, QStringList(), nullptr));
}

void TestToolRunner::lineBufferingEnvironment()
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

    // Without the library nothing changes.
    const QProcessEnvironment without = CToolStarter::WithLineBuffering(environment, QString());
    QVERIFY(!without.contains(u"_STDBUF_O"_s));
    QCOMPARE(without.value(u"LD_PRELOAD"_s), u"/a/first.so:"_s + qstrLib);

    const QString qstrInstalled = CToolStarter::LineBufferLibrary();
    if (qstrInstalled.isEmpty())
        QSKIP("coreutils' libstdbuf is not installed");
    QVERIFY(CToolStarter::ToolEnvironment().value(u"LD_PRELOAD"_s).contains(qstrInstalled));
    // The running process itself is left alone.
    QCOMPARE(qEnvironmentVariable("_STDBUF_O"), QString());
}

void TestToolRunner::lineBufferedOutputArrivesWhileTheToolRuns()
{
    if (CToolStarter::LineBufferLibrary().isEmpty())
        QSKIP("coreutils' libstdbuf is not installed");
    // A restore never flushes its output: only line buffering lets the
    // progress reach the reader while the tool still runs.
    FakeToolSession session;
    session.SetScenario(u"silent-wait"_s);
    const QString qstrSet = session.MakeDataFolder(u"set"_s, u"SOURCE"_s);
    CToolEndRequest request;
    CProgressToolRun run(&request);
    QVERIFY(run.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()),
                      {u"-u"_s, u"TARGET"_s, u"-s"_s, u"SOURCE"_s, u"restore"_s, qstrSet}, {}));
    bool bFinishedWhileRunning = false;
    for (int iPass = 0; iPass < 20 && !bFinishedWhileRunning; ++iPass) {
        const CProgressToolRun::structPass pass = run.NextPass();
        QVERIFY2(!pass.bToolFinished, "the fake ended before its silent wait");
        bFinishedWhileRunning = pass.structScanThis.bFinished;
    }
    QVERIFY(bFinishedWhileRunning);

    // Ending the tool: it aborts as the real one does, and the run fails.
    request.Request(eiFailureCause_Disconnected);
    const CProgressToolRun::structPass pass = run.NextPass();
    QVERIFY(pass.bToolFinished);
    QVERIFY(pass.qstrStdError.contains(u"Exiting..."_s));
    QVERIFY(pass.qstrStdOutput.contains(u"Restore Aborted."_s));
    QVERIFY(!run.Succeeded());
}

void TestToolRunner::executerRuns_data()
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
    QTest::newRow("no output") << u"exit 0"_s << QStringList() << -1 << QString() << QString() << 0;
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

void TestToolRunner::executerRuns()
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

void TestToolRunner::executerFailures()
{
    QString strStdOutput = u"kept out"_s;
    QString strStdError = u"kept err"_s;
    QString strErrorMessage;
    QTemporaryDir dir;
    QVERIFY(!CCmdLineExecuterQT::ExecuteAndGetStdOutput(dir.filePath(u"missing"_s), QStringList(), strStdOutput,
                                                        strStdError, strErrorMessage, -1));
    QCOMPARE(strErrorMessage, qstrStartFailed);
    QCOMPARE(strStdOutput, u"kept out"_s);
    QCOMPARE(strStdError, u"kept err"_s);

    // Asked to end before the start: the program is not started at all.
    FakeToolSession session;
    CToolEndRequest request;
    request.Request(eiFailureCause_Disconnected);
    QVERIFY(!CCmdLineExecuterQT::ExecuteAndGetStdOutput(CToolStarter::ProgramPath(CToolStarter::InstallerToolName()),
                                                        {u"-l"_s}, strStdOutput, strStdError, strErrorMessage, -1,
                                                        nullptr, &request));
    QCOMPARE(strErrorMessage, qstrEnded);
    QVERIFY(session.Runs().isEmpty());
}

void TestToolRunner::executerEndsARunningToolOnRequest()
{
    // One program ends on SIGTERM; the other ignores it and is killed after the grace.
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

void TestToolRunner::executerWritesRuledTraceLines()
{
    QTemporaryDir dir;
    const QString qstrSavedAppDir = g_qstrAppDirPath;
    const QByteArray baSavedLog = g_baLogFilePath;
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    g_baLogFilePath = QFile::encodeName(dir.filePath(u"trace.log"_s));
    QString strErrorMessage;
    QVERIFY2(g_CDllTextLogQT.InitDataDll(strErrorMessage), qPrintable(strErrorMessage));
    g_qstrAppDirPath = qstrSavedAppDir;
    const ShellRun run = RunShell(u"printf 'out'; printf 'err' >&2"_s);
    g_CDllTextLogQT.m_pfnWriteLogLPCSTR = nullptr;
    g_baLogFilePath = baSavedLog;
    QVERIFY(run.bResult);

    // Each text between rulers, marked by stars (output) or circles (errors).
    const QByteArray baLog = FakeToolSession::ReadBytes(dir.filePath(u"trace.log"_s));
    const QByteArray baRuler(115, '=');
    QVERIFY(baLog.contains("strStdOutput : out"));
    QVERIFY(baLog.contains("strStdError : err"));
    QVERIFY(baLog.contains("strStdOutput : \r\n" + baRuler + QByteArray("\xA1\xEF").repeated(6) + "\r\nout\r\n" + baRuler));
    QVERIFY(baLog.contains("strStdError : \r\n" + baRuler + QByteArray("\xA1\xF1").repeated(6) + "\r\nerr\r\n" + baRuler));
    QVERIFY(baLog.contains("CCmdLineExecuterQT::ExecuteAndGetStdOutput:"));
}

void TestToolRunner::scannerErrorWords()
{
    const QList<QPair<const char*, bool>> listCases{
        {"Backup Failed (Error Code 105).", true},   {"ERROR: Could not connect to lockdownd, error code -19", true},
        {"ErrorCode 208: Device locked (MBErrorDomain/208)", true}, {"Got Error 5", true},
        {"Error: not a word here", false},           {"error and failed in lower case", false},
        {"ERROR getting AFC file info", false},      {"No device found with udid X.", false},
        {"Backup Aborted.", false},                  {"", false}};
    for (const auto& pairCase : listCases) {
        const QString qstrText = QString::fromLatin1(pairCase.first);
        QCOMPARE(CToolOutputScanner::ContainsErrorWord(qstrText), pairCase.second);
        // Either channel counts.
        QCOMPARE(Scan(qstrText).bErrorWord, pairCase.second);
        QCOMPARE(CToolOutputScanner().ScanRead(u"x"_s, qstrText, true).bErrorWord, pairCase.second);
    }
    // A pass with both reports both; the caller then fails before it looks at progress.
    const CToolOutputScanner::structScan scan = Scan(u"]  42% Finished\nBackup Failed."_s);
    QVERIFY(scan.bErrorWord);
    QVERIFY(scan.bFinished);
}

void TestToolRunner::scannerReads_data()
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
    QTest::newRow("error word in two reads")
        << QStringList{u"Backup Fai"_s, u"led (Error Code 0).\n"_s, u""_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("on standard error") << QStringList{u"2>Err"_s, u"2>orCode 105\n"_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("blank in the next read") << QStringList{u"Got Error"_s, u" 5\n"_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("line ended by the tool's end")
        << QStringList{u"x\n"_s, u"Backup Failed"_s} << QStringList() << 1 << -1 << 0;
    QTest::newRow("Finished in two reads")
        << QStringList{u"\r[=====]  42% Fini"_s, u"shed\n"_s, u""_s} << QStringList() << -1 << 42 << 1;
    QTest::newRow("Finished reported once")
        << QStringList{u"]   7% Finished\n"_s, u""_s, u"Backup Successful.\n"_s} << QStringList() << -1 << 7 << 1;
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

void TestToolRunner::scannerReads()
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

void TestToolRunner::failureCauses_data()
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
    QTest::newRow("usbmuxd refused") << u"ERROR: Could not connect to lockdownd, error code -8"_s << QString() << 255
                                     << int(eiFailureCause_NoDevice)
                                     << u"ERROR: Could not connect to lockdownd, error code -8"_s;
    QTest::newRow("first cause stands") << qstrLost + u"\nErrorCode 105: x\n"_s << QString() << 255
                                        << int(eiFailureCause_Disconnected) << qstrLost;
    QTest::newRow("crash") << u"[==]  3% Finished\n"_s << QString() << -11 << int(eiFailureCause_ToolCrashed)
                           << u"11"_s;
    QTest::newRow("departure, nothing said") << QString() << u"Exiting..."_s << 1000 + int(eiFailureCause_Disconnected)
                                             << int(eiFailureCause_Disconnected) << QString();
    QTest::newRow("departure, cause said") << qstrLocked << QString() << 1000 + int(eiFailureCause_Disconnected)
                                           << int(eiFailureCause_DeviceLocked) << qstrLocked;
    QTest::newRow("cancelled") << qstrLocked << QString() << 1000 + int(eiFailureCause_Cancelled)
                               << int(eiFailureCause_Cancelled) << QString();
}

void TestToolRunner::failureCauses()
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

void TestToolRunner::toolEndsWithTheProgram()
{
    // A program killed while its tool runs takes the tool with it.
    QProcess program;
    program.start(QCoreApplication::applicationFilePath(), {u"--start-tool-and-wait"_s});
    QVERIFY(program.waitForReadyRead(20000));
    const QByteArray baToolId = program.readLine().trimmed();
    const auto toolRuns = [&baToolId] {
        // Gone, or a zombie that nobody reaps.
        const QByteArray baStat = FakeToolSession::ReadBytes(u"/proc/"_s + QString::fromLatin1(baToolId) + u"/stat"_s);
        const qsizetype iStateAt = baStat.lastIndexOf(") ") + 2;
        return iStateAt >= 2 && iStateAt < baStat.size() && baStat.at(iStateAt) != 'Z';
    };
    QVERIFY2(baToolId.toLongLong() > 0 && toolRuns(), baToolId.constData());
    program.kill();
    QVERIFY(program.waitForFinished(20000));
    QVERIFY2(QTest::qWaitFor([&] { return !toolRuns(); }, 20000), "the tool outlived the program");
}

void TestToolRunner::scannerProgressWindow()
{
    QCOMPARE(CToolOutputScanner::ProgressText(u"]  42% Finished"_s, 7), u"  42"_s);
    QCOMPARE(CToolOutputScanner::ProgressText(u"] 100% Finished"_s, 7), u" 100"_s);
    // Cut off at the start of the text.
    QCOMPARE(CToolOutputScanner::ProgressText(u"100% Finished"_s, 5), u"100"_s);
    QCOMPARE(CToolOutputScanner::ProgressText(u"Finished"_s, 0), QString());
    const QList<QPair<QString, int>> listNumbers{{u"  42"_s, 42}, {u" 100"_s, 100}, {u"   0"_s, 0},
                                                 {u" 250"_s, 250}, {u"ab 4"_s, 0},   {QString(), 0}};
    for (const auto& pairNumber : listNumbers)
        QCOMPARE(CToolOutputScanner::ProgressNumber(pairNumber.first), pairNumber.second);
    const CToolOutputScanner::structScan scan = Scan(u"x]   0% Finished\n"_s);
    QVERIFY(scan.bFinished);
    QCOMPARE(scan.iProgress, 0);
}

void TestToolRunner::progressRunReadsInBoundedPasses()
{
    // Megabytes of output arrive in passes of bounded size, however fast the
    // tool writes, and every "Finished" of them is still followed.
    FakeToolSession session;
    session.SetScenario(u"megabytes"_s);
    session.SetEnv("CORVINA_FAKE_MEGABYTES", u"8"_s);
    CProgressToolRun run(nullptr);
    QVERIFY(run.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()),
                      {u"-u"_s, u"UDID"_s, u"backup"_s, u"--full"_s, session.MakeDir(u"set"_s)}, {}));
    qint64 iTotal = 0;
    qsizetype iLargestPass = 0;
    int iLastProgress = 0;
    CProgressToolRun::structPass pass;
    do {
        pass = run.NextPass();
        iTotal += pass.qstrStdOutput.size();
        iLargestPass = qMax(iLargestPass, pass.qstrStdOutput.size());
        if (pass.structScanThis.bFinished)
            iLastProgress = pass.structScanThis.iProgress;
    } while (!pass.bToolFinished);
    QVERIFY(iTotal > 8 * 1000 * 1000 - 1000);
    // One pass holds at most the pass limit plus what one read brings in.
    QVERIFY2(iLargestPass <= 3 * CProgressToolRun::iPassBytes, qPrintable(QString::number(iLargestPass)));
    QCOMPARE(iLastProgress, 100);
    QVERIFY(run.Succeeded());
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
    TestToolRunner test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestToolRunner.moc"
