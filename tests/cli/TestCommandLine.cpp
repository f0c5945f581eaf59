// corvina-cli as a shell runs it: a separate process with no display, against
// the device emulator and the real Debian tools. One walk through the
// commands (devices, backup, list, verify, restore) with their exit codes, a
// backup cut short by Ctrl-C, no device at all, and the arguments that only
// the parser sees.
#include "CCommandLine.h"
#include "EmulatorProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString kUDID = u"00008030c0ffee0000000000000000000000c11a"_s;
const int kFiles = 24;

// The end of one run: its exit code, its standard output's JSON lines and its standard error.
struct structRun
{
    int iExitCode = -1;
    QList<QJsonObject> listJson;
    QString qstrErrors;
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_EmulatorProcess.Stop(); }
    void commandsFromBackupToRestore();
    void interruptCancelsTheBackup();
    void noDeviceAndWrongUsage();
    void argumentsOnlyTheParserSees_data();
    void argumentsOnlyTheParserSees();

private:
    // Starts corvina-cli with no display, this test's settings and runtime folders.
    void Begin(QProcess& process, const QStringList& listArguments) const;
    structRun Run(const QStringList& listArguments, int iTimeoutMs = 120000) const;
    static structRun Collect(QProcess& process);
    QString Root() const { return m_qTemporaryDir.filePath(u"backups"_s); }

    EmulatorProcess m_EmulatorProcess;
    QTemporaryDir m_qTemporaryDir;
};

void TestCommandLine::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty())
        QSKIP(qPrintable(u"the libimobiledevice tools are not installed (%1 missing)"_s.arg(qstrlistMissing.join(u", "_s))));
    QVERIFY(m_qTemporaryDir.isValid());
    // The runtime folder must be the user's alone, or Qt sets it aside for a
    // shared one, and the device locks of parallel test runs would meet there.
    const QString runtime = m_qTemporaryDir.filePath(u"runtime"_s);
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    // The settings folder names the backup root, as the window leaves it.
    QSettings(m_qTemporaryDir.filePath(u"config/Corvina.ini"_s), QSettings::IniFormat)
        .setValue(u"/Config/BackupDirectory"_s, Root());
    // A short pause per file leaves time for Ctrl-C in the middle.
    const QJsonObject jsonBackup{{u"files"_s, kFiles}, {u"files_per_message"_s, 2}, {u"file_delay"_s, 0.1}};
    const QJsonObject jsonDevice{{u"udid"_s, kUDID}, {u"name"_s, u"Shell Phone"_s}, {u"product_version"_s, u"17.5"_s},
                                 {u"backup"_s, jsonBackup}, {u"reboot_delay"_s, 0.5}};
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start({jsonDevice}, strErrorMessage), qPrintable(strErrorMessage));
}

void TestCommandLine::Begin(QProcess& process, const QStringList& listArguments) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.insert(u"CORVINA_CONFIG_DIR"_s, m_qTemporaryDir.filePath(u"config"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_qTemporaryDir.filePath(u"runtime"_s));
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral(CORVINA_PROGRAM_DIR "/corvina-cli"));
    process.setArguments(listArguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
}

structRun TestCommandLine::Collect(QProcess& process)
{
    structRun run;
    run.iExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            run.listJson.append(document.object());
    }
    run.qstrErrors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

structRun TestCommandLine::Run(const QStringList& listArguments, int iTimeoutMs) const
{
    QProcess process;
    Begin(process, listArguments);
    if (!process.waitForFinished(iTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return structRun();
    }
    return Collect(process);
}

void TestCommandLine::commandsFromBackupToRestore()
{
    // The program itself needs neither a display nor the widget libraries.
    QProcess ldd;
    ldd.start(u"ldd"_s, {QStringLiteral(CORVINA_PROGRAM_DIR "/corvina-cli")});
    QVERIFY(ldd.waitForFinished());
    const QString qstrLibraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    QVERIFY(qstrLibraries.contains(u"libQt6Core"_s));
    QVERIFY2(!qstrLibraries.contains(u"libQt6Gui"_s) && !qstrLibraries.contains(u"libQt6Widgets"_s),
             qPrintable(qstrLibraries));

    structRun run = Run({u"devices"_s, u"--json"_s});
    QCOMPARE(run.iExitCode, 0);
    QCOMPARE(run.listJson.size(), 1);
    QCOMPARE(run.listJson.first().value(u"udid"_s).toString(), kUDID);
    QCOMPARE(run.listJson.first().value(u"name"_s).toString(), u"Shell Phone"_s);

    // Into the root the settings name, picked by the device's name.
    run = Run({u"backup"_s, u"--device"_s, u"Shell Phone"_s, u"--json"_s});
    QVERIFY2(run.iExitCode == 0, qPrintable(run.qstrErrors));
    QVERIFY(run.listJson.size() > 2);
    const QJsonObject jsonFinished = run.listJson.last();
    QCOMPARE(jsonFinished.value(u"event"_s).toString(), u"finished"_s);
    QVERIFY(jsonFinished.value(u"succeeded"_s).toBool());
    QCOMPARE(run.listJson.at(run.listJson.size() - 2).value(u"percent"_s).toInt(), 100);
    const QString qstrSet = jsonFinished.value(u"set"_s).toString();
    QCOMPARE(QFileInfo(qstrSet).path(), Root());

    run = Run({u"list"_s, u"--json"_s});
    QCOMPARE(run.iExitCode, 0);
    QCOMPARE(run.listJson.size(), 1);
    const QJsonObject jsonSet = run.listJson.first();
    QCOMPARE(jsonSet.value(u"set"_s).toString(), qstrSet);
    QCOMPARE(jsonSet.value(u"udid"_s).toString(), kUDID);
    QCOMPARE(jsonSet.value(u"device"_s).toString(), u"Shell Phone"_s);
    QCOMPARE(jsonSet.value(u"ios"_s).toString(), u"17.5"_s);
    QCOMPARE(jsonSet.value(u"state"_s).toString(), u"complete"_s);
    QCOMPARE(jsonSet.value(u"encrypted"_s).toBool(), false);
    QCOMPARE(jsonSet.value(u"bytes"_s).toInteger(), qint64(kFiles) * 2048);

    run = Run({u"verify"_s, qstrSet, u"--json"_s});
    QCOMPARE(run.iExitCode, 0);
    QCOMPARE(run.listJson.first().value(u"files"_s).toInteger(), qint64(kFiles));

    // Again at once: a set of its own, even within the same second, filled from the first.
    run = Run({u"backup"_s, u"--json"_s});
    QVERIFY2(run.iExitCode == 0, qPrintable(run.qstrErrors));
    QVERIFY(std::any_of(run.listJson.cbegin(), run.listJson.cend(),
                        [](const QJsonObject& json) { return json.value(u"step"_s).toString() == u"seed"_s; }));
    QVERIFY(run.listJson.last().value(u"set"_s).toString() != qstrSet);

    // Without a terminal to ask on and without --yes nothing is replaced.
    run = Run({u"restore"_s, qstrSet});
    QCOMPARE(run.iExitCode, 2);
    QVERIFY2(run.qstrErrors.contains(u"--yes"_s), qPrintable(run.qstrErrors));
    const int iRestoresBefore = m_EmulatorProcess.Counter(kUDID, "restores");
    run = Run({u"restore"_s, qstrSet, u"--yes"_s, u"--json"_s});
    QVERIFY2(run.iExitCode == 0, qPrintable(run.qstrErrors));
    QVERIFY(run.listJson.last().value(u"succeeded"_s).toBool());
    QCOMPARE(m_EmulatorProcess.Counter(kUDID, "restores"), iRestoresBefore + 1);
    // The device is back after its restart.
    QVERIFY(m_EmulatorProcess.WaitForDevice(kUDID, [](const QJsonObject& jsonStatus) {
        return jsonStatus.value(u"attached"_s).toBool();
    }, 30000));

    // A file gone from the set: the full check finds it, the listing's cheap one does not look.
    const QString qstrData = qstrSet + u'/' + kUDID;
    QDirIterator files(qstrData, QDir::Files, QDirIterator::Subdirectories);
    QString qstrVictim;
    while (files.hasNext() && qstrVictim.isEmpty()) {
        const QString qstrFile = files.next();
        if (QFileInfo(qstrFile).path() != qstrData)
            qstrVictim = qstrFile;
    }
    QVERIFY(QFile::remove(qstrVictim));
    run = Run({u"verify"_s, qstrSet, u"--json"_s});
    QCOMPARE(run.iExitCode, 1);
    QCOMPARE(run.listJson.first().value(u"state"_s).toString(), u"damaged"_s);
    QCOMPARE(run.listJson.first().value(u"failing"_s).toInteger(), qint64(1));
    QVERIFY(!run.qstrErrors.isEmpty());
}

void TestCommandLine::interruptCancelsTheBackup()
{
    const QString qstrRoot = m_qTemporaryDir.filePath(u"cancelled"_s);
    QProcess process;
    Begin(process, {u"backup"_s, u"--to"_s, qstrRoot, u"--json"_s});
    // Ctrl-C once the backup is under way.
    QVERIFY(QTest::qWaitFor([&process]() { return process.canReadLine() || process.state() == QProcess::NotRunning; },
                            60000));
    QVERIFY2(process.state() == QProcess::Running,
             (process.readAllStandardOutput() + process.readAllStandardError() + QByteArray::number(process.exitCode())).constData());
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(60000));
    const structRun run = Collect(process);
    QCOMPARE(run.iExitCode, 1);
    QCOMPARE(run.listJson.last().value(u"cause"_s).toString(), u"Cancelled"_s);
    QVERIFY(!run.qstrErrors.isEmpty());
    // The set stays, listed as unfinished, never as complete.
    const structRun listed = Run({u"list"_s, qstrRoot, u"--json"_s});
    QCOMPARE(listed.listJson.size(), 1);
    QCOMPARE(listed.listJson.first().value(u"state"_s).toString(), u"unfinished"_s);
    QVERIFY(EmulatorProcess::ToolProcesses().isEmpty());
}

void TestCommandLine::noDeviceAndWrongUsage()
{
    structRun run = Run({u"backup"_s, u"--device"_s, u"No Such Phone"_s});
    QCOMPARE(run.iExitCode, 3);
    QVERIFY(run.qstrErrors.contains(u"No Such Phone"_s));
    // A folder that is no set is refused before any device is looked for.
    run = Run({u"restore"_s, m_qTemporaryDir.path(), u"--yes"_s});
    QCOMPARE(run.iExitCode, 1);
    QVERIFY(run.qstrErrors.contains(u"BackupFlag.ini"_s));
    run = Run({u"bakup"_s});
    QCOMPARE(run.iExitCode, 2);
    QVERIFY(run.qstrErrors.contains(u"bakup"_s));
    // No device service at all: said within the device wait, not after a hang.
    const QByteArray address = qgetenv("USBMUXD_SOCKET_ADDRESS");
    qputenv("USBMUXD_SOCKET_ADDRESS", "127.0.0.1:1");
    run = Run({u"backup"_s}, 30000);
    qputenv("USBMUXD_SOCKET_ADDRESS", address);
    QCOMPARE(run.iExitCode, 3);
}

void TestCommandLine::argumentsOnlyTheParserSees_data()
{
    QTest::addColumn<QStringList>("listArguments");
    QTest::addColumn<bool>("bValid");
    QTest::addColumn<int>("iCommand");
    QTest::addColumn<QString>("qstrValue"); // the device, or the set/folder
    QTest::newRow("value after =") << QStringList{u"backup"_s, u"--device=My Phone"_s} << true
                                   << int(eiCliCommand_Backup) << u"My Phone"_s;
    QTest::newRow("value missing") << QStringList{u"backup"_s, u"--device"_s} << false << 0 << QString();
    QTest::newRow("option of another command") << QStringList{u"list"_s, u"--yes"_s} << false << 0 << QString();
    QTest::newRow("flag with a value") << QStringList{u"backup"_s, u"--apps=1"_s} << false << 0 << QString();
    QTest::newRow("restore without a set") << QStringList{u"restore"_s, u"--yes"_s} << false << 0 << QString();
    QTest::newRow("two sets") << QStringList{u"verify"_s, u"a"_s, u"b"_s} << false << 0 << QString();
    QTest::newRow("-- ends the options") << QStringList{u"verify"_s, u"--"_s, u"--odd"_s} << true
                                         << int(eiCliCommand_Verify) << u"--odd"_s;
    QTest::newRow("help after a command") << QStringList{u"backup"_s, u"--help"_s} << true << int(eiCliCommand_Help)
                                          << QString();
    QTest::newRow("list without a folder") << QStringList{u"list"_s} << true << int(eiCliCommand_List) << QString();
}

void TestCommandLine::argumentsOnlyTheParserSees()
{
    QFETCH(QStringList, listArguments);
    structCliRequest request;
    QString qstrError;
    QTEST(CCommandLine::Parse(listArguments, request, qstrError), "bValid");
    QFETCH(bool, bValid);
    QCOMPARE(qstrError.isEmpty(), bValid);
    if (!bValid)
        return;
    QTEST(int(request.eiCommand), "iCommand");
    const QString qstrValue = request.eiCommand == eiCliCommand_Backup ? request.qstrDevice : request.qstrSet;
    QTEST(qstrValue, "qstrValue");
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
