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

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const QString qstrShell = QStringLiteral("/bin/sh");

struct ShellRun
{
    bool bResult = false;
    QString strStdOutput = QStringLiteral("untouched out");
    QString strStdError = QStringLiteral("untouched err");
    QString strErrorMessage = QStringLiteral("untouched message");
    structToolExit structToolExitThis;
};

ShellRun RunShell(const QString& qstrScript, int iTimeoutMsecs = -1, const QStringList& listExtra = QStringList(),
                  const CToolEndRequest* pEndRequest = nullptr)
{
    ShellRun run;
    run.bResult = CCmdLineExecuterQT::ExecuteAndGetStdOutput(
        qstrShell, QStringList{QStringLiteral("-c"), qstrScript} + listExtra, run.strStdOutput, run.strStdError,
        run.strErrorMessage, iTimeoutMsecs, &run.structToolExitThis, pEndRequest);
    return run;
}

bool MakeExecutable(const QString& qstrPath)
{
    QFile file(qstrPath);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\nexit 0\n") < 0)
        return false;
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// A backup set holding the personal data of one device, as a restore reads it.
QString MakeRestorableSet(const FakeToolSession& session, const QString& qstrSourceUdid)
{
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    const QString qstrData = session.MakeDir(QStringLiteral("set/") + qstrSourceUdid);
    FakeToolSession::WriteBytes(qstrData + QStringLiteral("/Info.plist"), "<plist/>");
    FakeToolSession::WriteBytes(qstrData + QStringLiteral("/Manifest.plist"), "<plist/>");
    FakeToolSession::WriteBytes(qstrData + QStringLiteral("/Status.plist"), "<plist/>");
    return qstrSet;
}

} // namespace

class TestToolRunner : public QObject
{
    Q_OBJECT

private slots:
    void programLookup();
    void lineBufferingEnvironment();
    void lineBufferedOutputArrivesWhileTheToolRuns();
    void executerRunsAndCaptures();
    void executerFailures();
    void executerEndsARunningToolOnRequest();
    void executerWritesRuledTraceLines();
    void scannerErrorWords();
    void scannerWordsSplitAcrossReads();
    void scannerProgressWindow();
    void progressRunReadsInBoundedPasses();
};

void TestToolRunner::programLookup()
{
    FakeToolSession session;
    const QString qstrBackupTool = CToolStarter::BackupToolName();
    QCOMPARE(qstrBackupTool, QStringLiteral("idevicebackup2"));
    QCOMPARE(CToolStarter::InstallerToolName(), QStringLiteral("ideviceinstaller"));

    // The program folder comes first, even with the tool on the search path.
    const QString qstrPathDir = session.MakeDir(QStringLiteral("path"));
    QVERIFY(MakeExecutable(qstrPathDir + QStringLiteral("/idevicebackup2")));
    session.SetEnv("PATH", qstrPathDir);
    QCOMPARE(CToolStarter::ProgramPath(qstrBackupTool), FakeToolSession::FakesDir() + QStringLiteral("/idevicebackup2"));

    // A program folder without the tool, or with a file that cannot run: the search path.
    const QString qstrEmptyFolder = session.MakeDir(QStringLiteral("program"));
    g_qstrAppDirPath = qstrEmptyFolder;
    QCOMPARE(CToolStarter::ProgramPath(qstrBackupTool), qstrPathDir + QStringLiteral("/idevicebackup2"));
    QVERIFY(FakeToolSession::WriteBytes(qstrEmptyFolder + QStringLiteral("/idevicebackup2"), "not a program"));
    QCOMPARE(CToolStarter::ProgramPath(qstrBackupTool), qstrPathDir + QStringLiteral("/idevicebackup2"));

    // Found nowhere: the program-folder path, which then cannot be started.
    session.SetEnv("PATH", session.MakeDir(QStringLiteral("nothing")));
    const QString qstrInstaller = CToolStarter::ProgramPath(CToolStarter::InstallerToolName());
    QCOMPARE(qstrInstaller, qstrEmptyFolder + QStringLiteral("/ideviceinstaller"));
    QProcess process;
    QVERIFY(!CToolStarter::Start(process, qstrInstaller, QStringList(), nullptr));
}

void TestToolRunner::lineBufferingEnvironment()
{
    const QString qstrLib = QStringLiteral("/opt/x/libstdbuf.so");
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));

    const QProcessEnvironment withLib = CToolStarter::WithLineBuffering(environment, qstrLib);
    QCOMPARE(withLib.value(QStringLiteral("LD_PRELOAD")), qstrLib);
    QCOMPARE(withLib.value(QStringLiteral("_STDBUF_O")), QStringLiteral("L"));
    QCOMPARE(withLib.value(QStringLiteral("HOME")), QStringLiteral("/home/u"));

    // Libraries already preloaded stay, and first.
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral("/a/first.so /a/second.so"));
    QCOMPARE(CToolStarter::WithLineBuffering(environment, qstrLib).value(QStringLiteral("LD_PRELOAD")),
             QStringLiteral("/a/first.so /a/second.so:") + qstrLib);
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral("/a/first.so:") + qstrLib);
    QCOMPARE(CToolStarter::WithLineBuffering(environment, qstrLib).value(QStringLiteral("LD_PRELOAD")),
             QStringLiteral("/a/first.so:") + qstrLib);

    // Without the library nothing changes.
    const QProcessEnvironment without = CToolStarter::WithLineBuffering(environment, QString());
    QVERIFY(!without.contains(QStringLiteral("_STDBUF_O")));
    QCOMPARE(without.value(QStringLiteral("LD_PRELOAD")), QStringLiteral("/a/first.so:") + qstrLib);

    const QString qstrInstalled = CToolStarter::LineBufferLibrary();
    if (qstrInstalled.isEmpty())
        QSKIP("coreutils' libstdbuf is not installed");
    QVERIFY(CToolStarter::ToolEnvironment().value(QStringLiteral("LD_PRELOAD")).contains(qstrInstalled));
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
    session.SetScenario(QStringLiteral("silent-wait"));
    const QString qstrSet = MakeRestorableSet(session, QStringLiteral("SOURCE"));
    CToolEndRequest request;
    CProgressToolRun run(&request);
    QVERIFY(run.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()),
                      QStringList{QStringLiteral("-u"), QStringLiteral("TARGET"), QStringLiteral("-s"),
                                  QStringLiteral("SOURCE"), QStringLiteral("restore"), qstrSet}));
    bool bFinishedWhileRunning = false;
    for (int iPass = 0; iPass < 20 && !bFinishedWhileRunning; ++iPass) {
        const CProgressToolRun::structPass pass = run.NextPass();
        QVERIFY2(!pass.bToolFinished, "the fake ended before its silent wait");
        bFinishedWhileRunning = pass.structScanThis.bFinished;
    }
    QVERIFY(bFinishedWhileRunning);

    // Ending the tool: it aborts as the real one does, and the run fails.
    request.Request();
    CProgressToolRun::structPass pass = run.NextPass();
    QVERIFY(pass.bToolFinished);
    QVERIFY(pass.qstrStdError.contains(QStringLiteral("Exiting...")));
    QVERIFY(pass.qstrStdOutput.contains(QStringLiteral("Restore Aborted.")));
    QVERIFY(!run.Succeeded());
}

void TestToolRunner::executerRunsAndCaptures()
{
    // Both channels apart; a non-zero exit code still counts as a run.
    ShellRun run = RunShell(QStringLiteral("printf 'out\\nline'; printf 'err' >&2; exit 3"));
    QVERIFY(run.bResult);
    QCOMPARE(run.strStdOutput, QStringLiteral("out\nline"));
    QCOMPARE(run.strStdError, QStringLiteral("err"));
    QCOMPARE(run.strErrorMessage, QStringLiteral("untouched message"));
    QVERIFY(run.structToolExitThis.bNormalExit);
    QCOMPARE(run.structToolExitThis.iExitCode, 3);

    // No output: two empty texts.
    run = RunShell(QStringLiteral("exit 0"));
    QVERIFY(run.bResult);
    QVERIFY(run.strStdOutput.isEmpty());
    QVERIFY(run.strStdError.isEmpty());

    // Each argument reaches the program as one, blanks and empty ones included.
    run = RunShell(QStringLiteral("printf '%s|' \"$@\""), -1,
                   QStringList{QStringLiteral("sh"), QStringLiteral("a b"), QString(), QStringLiteral("c")});
    QCOMPARE(run.strStdOutput, QStringLiteral("a b||c|"));

    // Bytes outside ASCII are decoded with the locale's code page (UTF-8 here).
    run = RunShell(QStringLiteral("printf '\\303\\251\\346\\227\\245'"));
    QCOMPARE(run.strStdOutput, QString::fromUtf8("\xC3\xA9\xE6\x97\xA5"));

    // A crash is a run that ended, though not normally.
    run = RunShell(QStringLiteral("kill -SEGV $$"));
    QVERIFY(run.bResult);
    QVERIFY(!run.structToolExitThis.bNormalExit);

    // No time limit: waits for a program that takes its time.
    run = RunShell(QStringLiteral("sleep 0.3; printf done"), -1);
    QVERIFY(run.bResult);
    QCOMPARE(run.strStdOutput, QStringLiteral("done"));
}

void TestToolRunner::executerFailures()
{
    const QString qstrStartFailed = QStringLiteral("QProcessThis.waitForFinished failed, return false");
    QString strStdOutput = QStringLiteral("kept out");
    QString strStdError = QStringLiteral("kept err");
    QString strErrorMessage;
    QTemporaryDir dir;
    QVERIFY(!CCmdLineExecuterQT::ExecuteAndGetStdOutput(dir.filePath(QStringLiteral("missing")), QStringList(),
                                                        strStdOutput, strStdError, strErrorMessage, -1));
    QCOMPARE(strErrorMessage, qstrStartFailed);
    QCOMPARE(strStdOutput, QStringLiteral("kept out"));
    QCOMPARE(strStdError, QStringLiteral("kept err"));

    // Still running at the limit: killed, and the outputs stay as they were.
    const ShellRun run = RunShell(QStringLiteral("printf early; exec sleep 30"), 300);
    QVERIFY(!run.bResult);
    QCOMPARE(run.strErrorMessage, qstrStartFailed);
    QCOMPARE(run.strStdOutput, QStringLiteral("untouched out"));

    // Asked to end before the start: the program is not started at all.
    FakeToolSession session;
    CToolEndRequest request;
    request.Request();
    QVERIFY(!CCmdLineExecuterQT::ExecuteAndGetStdOutput(
        CToolStarter::ProgramPath(CToolStarter::InstallerToolName()), QStringList{QStringLiteral("-l")},
        strStdOutput, strStdError, strErrorMessage, -1, nullptr, &request));
    QCOMPARE(strErrorMessage, QStringLiteral("QProcessThis was ended on request, return false"));
    QVERIFY(session.Runs().isEmpty());
}

void TestToolRunner::executerEndsARunningToolOnRequest()
{
    // One program ends on SIGTERM; the other ignores it and is killed after the grace.
    const QStringList listScripts{QStringLiteral("exec sleep 30"), QStringLiteral("trap '' TERM; exec sleep 30")};
    for (const QString& qstrScript : listScripts) {
        CToolEndRequest request;
        ShellRun run;
        std::unique_ptr<QThread> worker(QThread::create([&] { run = RunShell(qstrScript, -1, {}, &request); }));
        worker->start();
        QTest::qWait(300);
        request.Request();
        QVERIFY2(worker->wait(QDeadlineTimer(20000)), "the run did not end on request");
        QVERIFY(!run.bResult);
        QCOMPARE(run.strErrorMessage, QStringLiteral("QProcessThis was ended on request, return false"));
    }
}

void TestToolRunner::executerWritesRuledTraceLines()
{
    QTemporaryDir dir;
    const QString qstrSavedAppDir = g_qstrAppDirPath;
    const QByteArray baSavedLog = g_baLogFilePath;
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    g_baLogFilePath = QFile::encodeName(dir.filePath(QStringLiteral("trace.log")));
    QString strErrorMessage;
    QVERIFY2(g_CDllTextLogQT.InitDataDll(strErrorMessage), qPrintable(strErrorMessage));
    g_qstrAppDirPath = qstrSavedAppDir;

    const ShellRun run = RunShell(QStringLiteral("printf 'out'; printf 'err' >&2"));
    g_CDllTextLogQT.m_pfnWriteLogLPCSTR = nullptr;
    g_baLogFilePath = baSavedLog;
    QVERIFY(run.bResult);

    const QByteArray baLog = FakeToolSession::ReadBytes(dir.filePath(QStringLiteral("trace.log")));
    const QByteArray baRuler(115, '=');
    QVERIFY(baLog.contains("strStdOutput : out"));
    QVERIFY(baLog.contains("strStdError : err"));
    QVERIFY(baLog.contains("strStdOutput : \r\n" + baRuler
                           + QByteArray("\xA1\xEF\xA1\xEF\xA1\xEF\xA1\xEF\xA1\xEF\xA1\xEF") + "\r\nout\r\n"
                           + baRuler));
    QVERIFY(baLog.contains("strStdError : \r\n" + baRuler
                           + QByteArray("\xA1\xF1\xA1\xF1\xA1\xF1\xA1\xF1\xA1\xF1\xA1\xF1") + "\r\nerr\r\n"
                           + baRuler));
    // Each line carries the routine that wrote it.
    QVERIFY(baLog.contains("CCmdLineExecuterQT::ExecuteAndGetStdOutput:"));
}

void TestToolRunner::scannerErrorWords()
{
    struct Case
    {
        const char* szText;
        bool bError;
    };
    const Case aCases[] = {
        {"Backup Failed (Error Code 105).", true},
        {"ERROR: Could not connect to lockdownd, error code -19", true},
        {"ErrorCode 208: Device locked (MBErrorDomain/208)", true},
        {"Got Error 5", true},
        {"Error: not a word here", false},
        {"error and failed in lower case", false},
        {"ERROR getting AFC file info", false},
        {"No device found with udid X.", false},
        {"Backup Aborted.", false},
        {"", false},
    };
    for (const Case& c : aCases) {
        const QString qstrText = QString::fromLatin1(c.szText);
        QCOMPARE(CToolOutputScanner::ContainsErrorWord(qstrText), c.bError);
        // Either channel counts.
        QCOMPARE(CToolOutputScanner().ScanRead(qstrText, QString()).bErrorWord, c.bError);
        QCOMPARE(CToolOutputScanner().ScanRead(QStringLiteral("x"), qstrText).bErrorWord, c.bError);
    }
    // A pass with both "Finished" and an error word reports both; the caller
    // then fails before it looks at progress.
    const CToolOutputScanner::structScan scan =
        CToolOutputScanner().ScanRead(QStringLiteral("]  42% Finished\nBackup Failed."), QString());
    QVERIFY(scan.bErrorWord);
    QVERIFY(scan.bFinished);
}

void TestToolRunner::scannerWordsSplitAcrossReads()
{
    CToolOutputScanner outputSplit;
    QVERIFY(!outputSplit.ScanRead(QStringLiteral("Backup Fai"), QString()).bErrorWord);
    QVERIFY(outputSplit.ScanRead(QStringLiteral("led (Error Code 0)."), QString()).bErrorWord);

    CToolOutputScanner errorSplit;
    QVERIFY(!errorSplit.ScanRead(QString(), QStringLiteral("Err")).bErrorWord);
    QVERIFY(!errorSplit.ScanRead(QStringLiteral("orCode"), QStringLiteral("or")).bErrorWord);
    QVERIFY(errorSplit.ScanRead(QString(), QStringLiteral("Code 105")).bErrorWord);

    CToolOutputScanner blankSplit;
    QVERIFY(!blankSplit.ScanRead(QStringLiteral("Got Error"), QString()).bErrorWord);
    QVERIFY(blankSplit.ScanRead(QStringLiteral(" 5"), QString()).bErrorWord);

    // "Finished" in two reads, and its number in the read before it.
    CToolOutputScanner finishedSplit;
    CToolOutputScanner::structScan scan = finishedSplit.ScanRead(QStringLiteral("\r[=====]  42% Fini"), QString());
    QVERIFY(!scan.bFinished);
    scan = finishedSplit.ScanRead(QStringLiteral("shed\n"), QString());
    QVERIFY(scan.bFinished);
    QCOMPARE(scan.qstrProgress, QStringLiteral("  42"));
    QCOMPARE(scan.iProgress, 42);
    scan = finishedSplit.ScanRead(QStringLiteral("\r[==========] 1"), QString());
    QVERIFY(!scan.bFinished);
    scan = finishedSplit.ScanRead(QStringLiteral("00% Finished\n"), QString());
    QCOMPARE(scan.iProgress, 100);

    // A "Finished" is reported once: the kept tail does not report it again.
    CToolOutputScanner once;
    QVERIFY(once.ScanRead(QStringLiteral("]  7% Finished"), QString()).bFinished);
    QVERIFY(!once.ScanRead(QString(), QString()).bFinished);
    QVERIFY(!once.ScanRead(QStringLiteral("Backup Successful.\n"), QString()).bFinished);

    // The last "Finished" of a read counts; a long read is no problem.
    CToolOutputScanner longRead;
    const QString qstrMany = QStringLiteral("\r[=]   3% Finished\n").repeated(20000) + QStringLiteral("\r[=]  61% Finished\n");
    scan = longRead.ScanRead(qstrMany, QString());
    QCOMPARE(scan.iProgress, 61);
}

void TestToolRunner::scannerProgressWindow()
{
    QCOMPARE(CToolOutputScanner::ProgressText(QStringLiteral("]  42% Finished"), 7), QStringLiteral("  42"));
    QCOMPARE(CToolOutputScanner::ProgressText(QStringLiteral("] 100% Finished"), 7), QStringLiteral(" 100"));
    // Cut off at the start of the text.
    QCOMPARE(CToolOutputScanner::ProgressText(QStringLiteral("100% Finished"), 5), QStringLiteral("100"));
    QCOMPARE(CToolOutputScanner::ProgressText(QStringLiteral("Finished"), 0), QString());

    QCOMPARE(CToolOutputScanner::ProgressNumber(QStringLiteral("  42")), 42);
    QCOMPARE(CToolOutputScanner::ProgressNumber(QStringLiteral(" 100")), 100);
    QCOMPARE(CToolOutputScanner::ProgressNumber(QStringLiteral("   0")), 0);
    QCOMPARE(CToolOutputScanner::ProgressNumber(QStringLiteral(" 250")), 250);
    QCOMPARE(CToolOutputScanner::ProgressNumber(QStringLiteral("ab 4")), 0);
    QCOMPARE(CToolOutputScanner::ProgressNumber(QString()), 0);

    const CToolOutputScanner::structScan scan =
        CToolOutputScanner().ScanRead(QStringLiteral("x]   0% Finished\n"), QString());
    QVERIFY(scan.bFinished);
    QCOMPARE(scan.iProgress, 0);
}

void TestToolRunner::progressRunReadsInBoundedPasses()
{
    // Megabytes of output arrive in passes of bounded size, however fast the
    // tool writes, and every "Finished" of them is still followed.
    FakeToolSession session;
    session.SetScenario(QStringLiteral("megabytes"));
    session.SetEnv("CORVINA_FAKE_MEGABYTES", QStringLiteral("8"));
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    CProgressToolRun run(nullptr);
    QVERIFY(run.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()),
                      QStringList{QStringLiteral("-u"), QStringLiteral("UDID"), QStringLiteral("backup"),
                                  QStringLiteral("--full"), qstrSet}));
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

QTEST_GUILESS_MAIN(TestToolRunner)
#include "TestToolRunner.moc"
