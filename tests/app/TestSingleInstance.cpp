// Single instance with real processes: copies of the program started side by
// side in a private program folder and a private runtime folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSharedMemory>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/types.h>

namespace {

const int kStartTimeoutMs = 60000;

// A program folder of its own, so that the log file and the instance
// segment belong to this test alone.
class ProgramCopy
{
public:
    explicit ProgramCopy(bool withLogLibrary = true)
    {
        const QDir source(QStringLiteral(CORVINA_PROGRAM_DIR));
        for (const QFileInfo& entry : source.entryInfoList(QDir::Files)) {
            if (!withLogLibrary && entry.fileName().startsWith(QStringLiteral("libTextLog")))
                continue;
            const QString target = m_program.filePath(entry.fileName());
            QFile::copy(entry.filePath(), target);
            QFile::setPermissions(target, entry.permissions());
        }
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ~ProgramCopy()
    {
        // Segments of killed instances outlive them; remove what is left.
        QSharedMemory segment;
        segment.setNativeKey(m_runtime.filePath(QStringLiteral("PeloraCorvina_hwnd")));
        if (segment.attach())
            segment.detach();
    }

    std::unique_ptr<QProcess> Start() const
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("USBMUXD_SOCKET_ADDRESS"),
                           QStringLiteral("UNIX:") + m_runtime.filePath(QStringLiteral("no-usbmuxd")));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(m_program.filePath(QStringLiteral("Corvina")), {});
        return process;
    }

    QByteArray Log() const
    {
        QFile file(m_program.filePath(QStringLiteral("Log/Text/Corvina.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The instance lock appears once a start has become the first instance.
    bool WaitForInstanceLock() const
    {
        return QTest::qWaitFor([&]() { return QFileInfo::exists(RuntimePath(QStringLiteral("PeloraCorvina"))); },
                               kStartTimeoutMs);
    }

    bool LogExists() const { return QFileInfo::exists(m_program.filePath(QStringLiteral("Log/Text/Corvina.log"))); }

    // Waits until the log holds count lines containing text.
    bool WaitForLog(const QByteArray& text, int count = 1) const
    {
        return QTest::qWaitFor([&]() { return Log().count(text) >= count; }, kStartTimeoutMs);
    }

    QString RuntimePath(const QString& name) const { return m_runtime.filePath(name); }
    QString ProgramPath(const QString& name) const { return m_program.filePath(name); }

private:
    QTemporaryDir m_program;
    QTemporaryDir m_runtime;
};

// Starts an instance and waits until it holds the segment.
std::unique_ptr<QProcess> StartFirst(const ProgramCopy& copy, int instancesSoFar = 0)
{
    auto first = copy.Start();
    if (!first->waitForStarted())
        return nullptr;
    if (!copy.WaitForLog(" write", instancesSoFar + 1))
        return nullptr;
    return first;
}

int RunToEnd(QProcess& process)
{
    if (!process.waitForFinished(kStartTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1000;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2000;
}

void Stop(QProcess& process)
{
    process.kill();
    process.waitForFinished();
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStartHandsOverToTheFirst()
    {
        ProgramCopy copy;
        auto first = StartFirst(copy);
        QVERIFY(first);
        QVERIFY(copy.Log().contains("not exists!"));

        auto second = copy.Start();
        QCOMPARE(RunToEnd(*second), 255); // -1
        QVERIFY2(copy.WaitForLog("Corvina::ShowFromAnotherStart"), copy.Log().constData());
        QCOMPARE(first->state(), QProcess::Running);
        // The second start ended before loading the log: one start-up line only.
        QCOMPARE(copy.Log().count("\xD6\xD0\xCE\xC4"), 1);
        // A termination request (logout, Ctrl-C) takes the road of closing the
        // window: a normal end that gives the instance lock back.
        ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
        QCOMPARE(RunToEnd(*first), 0);
        QLockFile mutex(copy.RuntimePath(QStringLiteral("PeloraCorvina")));
        QVERIFY(mutex.tryLock(0));
    }

    void startAfterCrashBecomesFirst()
    {
        ProgramCopy copy;
        auto crashed = StartFirst(copy);
        QVERIFY(crashed);
        ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);
        crashed->waitForFinished();
        // Killed while it wrote its lock: the file names no process.
        QFile lock(copy.RuntimePath(QStringLiteral("PeloraCorvina")));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.close();
        QTest::qWait(600);

        auto next = StartFirst(copy, 1);
        QVERIFY2(next, copy.Log().constData());
        QCOMPARE(next->state(), QProcess::Running);

        auto third = copy.Start();
        QCOMPARE(RunToEnd(*third), 255);
        QCOMPARE(next->state(), QProcess::Running);
        Stop(*next);
    }

    void heldInstanceMutexEndsWithZero()
    {
        ProgramCopy copy;
        QLockFile mutex(copy.RuntimePath(QStringLiteral("PeloraCorvina")));
        QVERIFY(mutex.tryLock(0));
        auto start = copy.Start();
        QCOMPARE(RunToEnd(*start), 0);
        QVERIFY(copy.Log().contains(" write"));
    }

    void runsWithoutLogLibraryOrLogFolder()
    {
        ProgramCopy withoutLibrary(false);
        auto first = withoutLibrary.Start();
        QVERIFY(first->waitForStarted());
        QVERIFY(withoutLibrary.WaitForInstanceLock());
        QCOMPARE(first->state(), QProcess::Running);
        auto second = withoutLibrary.Start();
        QCOMPARE(RunToEnd(*second), 255);
        QVERIFY(!withoutLibrary.LogExists());
        Stop(*first);

        ProgramCopy blocked;
        QFile blocker(blocked.ProgramPath(QStringLiteral("Log")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        auto running = blocked.Start();
        QVERIFY(running->waitForStarted());
        QVERIFY(blocked.WaitForInstanceLock());
        QCOMPARE(running->state(), QProcess::Running);
        auto again = blocked.Start();
        QCOMPARE(RunToEnd(*again), 255);
        Stop(*running);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
