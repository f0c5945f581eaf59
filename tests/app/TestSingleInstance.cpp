// Single instance: copies of the program started side by side in a private
// program folder and runtime folder; and, against a recording platform with a
// real shared segment, the states that only a race between two starts leaves.
#include "CSingleInstance.h"
#include "unix/UnixInstancePlatform.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSharedMemory>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <memory>
#include <thread>
#include <vector>

namespace {

const int kStartTimeoutMs = 60000;

// A program folder of its own, so that the log file and the instance
// segment belong to one case alone.
class ProgramCopy
{
public:
    // Every file of the program folder but those whose names start with omitted.
    explicit ProgramCopy(const QString& omitted = QString())
    {
        for (const QFileInfo& entry : QDir(QStringLiteral(CORVINA_PROGRAM_DIR)).entryInfoList(QDir::Files)) {
            if (omitted.isEmpty() || !entry.fileName().startsWith(omitted)) {
                QFile::copy(entry.filePath(), m_program.filePath(entry.fileName()));
                QFile::setPermissions(m_program.filePath(entry.fileName()), entry.permissions());
            }
        }
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ~ProgramCopy()
    {
        // Segments of killed instances outlive them; remove what is left.
        if (Segment().attach())
            Segment().detach();
    }

    QSharedMemory& Segment()
    {
        m_segment.setNativeKey(RuntimePath(QStringLiteral("PeloraCorvina_hwnd")));
        return m_segment;
    }

    std::unique_ptr<QProcess> Start() const
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("USBMUXD_SOCKET_ADDRESS"), QStringLiteral("127.0.0.1:9"));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(m_program.filePath(QStringLiteral("Corvina")), {});
        return process;
    }

    // Starts an instance and waits until it has become the first one.
    std::unique_ptr<QProcess> StartFirst() const
    {
        auto first = Start();
        const QString lock = RuntimePath(QStringLiteral("PeloraCorvina"));
        if (!QTest::qWaitFor([&]() { return QFileInfo(lock).size() > 0; }, kStartTimeoutMs))
            return nullptr;
        return first;
    }

    QByteArray Log() const
    {
        QFile file(ProgramPath(QStringLiteral("Log/Text/Corvina.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString RuntimePath(const QString& name) const { return m_runtime.filePath(name); }
    QString ProgramPath(const QString& name) const { return m_program.filePath(name); }

private:
    QTemporaryDir m_program;
    QTemporaryDir m_runtime;
    QSharedMemory m_segment;
};

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

// What step B did with the platform, and a segment the other start shares.
struct PlatformRecord
{
    std::string key;
    bool heldElsewhere = false;
    InstancePlatform::MutexResult mutexResult = InstancePlatform::MutexResult::Created;
    std::vector<std::uint32_t> shown;
    std::vector<std::uint32_t> terminated;
    int sleeps = 0;
    int served = 0;
    std::function<void(int)> onSleep; // the other start's doings while step B waits
};

class RecordingPlatform final : public InstancePlatform
{
public:
    explicit RecordingPlatform(PlatformRecord* record) : m_record(record) {}
    std::string SegmentNativeKey(const std::string&) override { return m_record->key; }
    bool SegmentCanOutliveOwner() const override { return true; }
    void ShowFirstInstance(std::uint32_t handle, bool) override { m_record->shown.push_back(handle); }
    bool TerminateProcessById(std::uint32_t id) override
    {
        m_record->terminated.push_back(id);
        return true;
    }
    MutexResult CreateInstanceMutex(const std::string&) override { return m_record->mutexResult; }
    bool IsInstanceMutexHeldElsewhere(const std::string&) override { return m_record->heldElsewhere; }
    bool ChangeCurrentDirectory(const std::string&) override { return true; }
    void SleepMilliseconds(unsigned) override { m_record->onSleep(++m_record->sleeps); }
    void ServeShowRequests(const std::string&, std::function<void()>) override { ++m_record->served; }

private:
    PlatformRecord* m_record;
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStartHandsOverToTheFirst();
    void startAfterCrashBecomesFirst();
    void heldInstanceLockEndsWithZero();
    void missingDriverLibraryEndsAsFailed();
    void runsWithoutLog_data();
    void runsWithoutLog();
    void racesBetweenTwoStarts_data();
    void racesBetweenTwoStarts();
    void showRequestReachesALateListener();
};

void TestSingleInstance::secondStartHandsOverToTheFirst()
{
    ProgramCopy copy;
    auto first = copy.StartFirst();
    QVERIFY(first);
    auto second = copy.Start();
    QCOMPARE(RunToEnd(*second), 255); // -1
    QVERIFY2(QTest::qWaitFor([&]() { return copy.Log().contains("Corvina::ShowFromAnotherStart"); }, kStartTimeoutMs),
             copy.Log().constData());
    QCOMPARE(first->state(), QProcess::Running);
    // The second start ended before loading the log: one start-up line only.
    QCOMPARE(copy.Log().count("\xD6\xD0\xCE\xC4"), 1);

    // A termination request (logout, Ctrl-C) takes the road of closing the
    // window: a normal end that gives back the instance lock and the segment.
    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    QCOMPARE(RunToEnd(*first), 0);
    QVERIFY(QLockFile(copy.RuntimePath(QStringLiteral("PeloraCorvina"))).tryLock(0));
    QVERIFY(!copy.Segment().attach());
}

void TestSingleInstance::startAfterCrashBecomesFirst()
{
    ProgramCopy copy;
    auto crashed = copy.StartFirst();
    QVERIFY(crashed);
    ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);
    crashed->waitForFinished();
    // Its segment stays behind, and its lock as if killed while writing it:
    // a file that names no process, older than any writer could take.
    QFile lock(copy.RuntimePath(QStringLiteral("PeloraCorvina")));
    QVERIFY(lock.open(QIODevice::ReadWrite | QIODevice::Truncate));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    lock.close();

    auto next = copy.StartFirst();
    QVERIFY2(next, copy.Log().constData());
    auto third = copy.Start();
    QCOMPARE(RunToEnd(*third), 255);
    QCOMPARE(next->state(), QProcess::Running);
    Stop(*next);
}

void TestSingleInstance::heldInstanceLockEndsWithZero()
{
    ProgramCopy copy;
    QLockFile lock(copy.RuntimePath(QStringLiteral("PeloraCorvina")));
    QVERIFY(lock.tryLock(0));
    auto start = copy.Start();
    QCOMPARE(RunToEnd(*start), 0);
    QVERIFY(copy.Log().contains(" write"));
}

void TestSingleInstance::missingDriverLibraryEndsAsFailed()
{
    // The box names the library missing from the program folder (the log
    // shows it); closed by a termination request, the program ends as failed.
    ProgramCopy copy(QStringLiteral("libiTunesMobileDevice"));
    const QByteArray language = qgetenv("LC_ALL");
    qputenv("LC_ALL", "C.UTF-8"); // the English texts
    auto start = copy.Start();
    qputenv("LC_ALL", language);
    QVERIFY2(QTest::qWaitFor([&copy]() { return copy.Log().contains("kind 1, library libiTunesMobileDevice.so"); },
                             kStartTimeoutMs),
             copy.Log().constData());
    QVERIFY(copy.Log().contains("libiTunesMobileDevice.so is missing or damaged"));
    ::kill(static_cast<pid_t>(start->processId()), SIGTERM);
    QCOMPARE(RunToEnd(*start), 1);
}

void TestSingleInstance::runsWithoutLog_data()
{
    QTest::addColumn<bool>("withLogLibrary");
    QTest::newRow("no log library") << false;
    QTest::newRow("a file where the log folder belongs") << true;
}

void TestSingleInstance::runsWithoutLog()
{
    QFETCH(bool, withLogLibrary);
    ProgramCopy copy(withLogLibrary ? QString() : QStringLiteral("libTextLog"));
    QFile blocker(copy.ProgramPath(QStringLiteral("Log")));
    QVERIFY(withLogLibrary ? blocker.open(QIODevice::WriteOnly) : !blocker.exists());
    blocker.close();
    auto first = copy.StartFirst();
    QVERIFY(first);
    auto second = copy.Start();
    QCOMPARE(RunToEnd(*second), 255);
    QCOMPARE(first->state(), QProcess::Running);
    Stop(*first);
}

void TestSingleInstance::racesBetweenTwoStarts_data()
{
    // The other start's segment appears before this start's step A or
    // between its steps A and B, holding handle, status and process id; at
    // the sleep numbered changeAtPass the status changes or the lock is freed.
    QTest::addColumn<bool>("beforeStepA");
    QTest::addColumn<int>("handle"); // -1: no segment
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("changeAtPass");
    QTest::addColumn<int>("statusThen"); // -1: the lock is freed instead
    QTest::addColumn<int>("mutexResult");
    QTest::addColumn<bool>("goesOn"); // step B's result
    QTest::addColumn<int>("sleeps");
    QTest::addColumn<int>("terminated"); // process ended by step B; 0: none
    QTest::addColumn<int>("shown");      // handle asked to show; 0: none

    const int created = int(InstancePlatform::MutexResult::Created);
    QTest::newRow("handle written in between: shown, this start ends")
        << false << 4321 << 1 << 0 << 0 << created << false << 0 << 0 << 4321;
    QTest::newRow("status 1 after waiting: the earlier instance is ended")
        << false << 0 << 3 << 3 << 1 << created << true << 3 << 4242 << 0;
    QTest::newRow("status 8: taken over as it is") << false << 0 << 8 << 0 << 0 << created << true << 1 << 0 << 0;
    QTest::newRow("owner gone while waiting: taken over")
        << false << 0 << 0 << 2 << -1 << created << true << 2 << 0 << 0;
    QTest::newRow("no handle yet at step A: taken over") << true << 0 << 0 << 0 << 0 << created << true << 0 << 0 << 0;
    QTest::newRow("instance lock cannot be made: start-up goes on")
        << false << -1 << 0 << 0 << 0 << int(InstancePlatform::MutexResult::Failed) << true << 0 << 0 << 0;
}

void TestSingleInstance::racesBetweenTwoStarts()
{
    QFETCH(bool, beforeStepA);
    QFETCH(int, handle);
    QFETCH(int, status);
    QFETCH(int, changeAtPass);
    QFETCH(int, statusThen);
    QFETCH(int, mutexResult);
    QFETCH(bool, goesOn);
    QFETCH(int, sleeps);
    QFETCH(int, terminated);
    QFETCH(int, shown);

    QTemporaryDir folder;
    PlatformRecord record;
    record.key = folder.filePath(QStringLiteral("segment")).toStdString();
    record.heldElsewhere = true;
    record.mutexResult = InstancePlatform::MutexResult(mutexResult);
    CSingleInstance::SetPlatform(std::make_unique<RecordingPlatform>(&record));
    QSharedMemory other;
    other.setNativeKey(QString::fromStdString(record.key));
    const auto write = [&other](int handleValue, int statusValue) {
        auto* bytes = static_cast<unsigned char*>(other.data());
        qToLittleEndian<quint32>(quint32(handleValue), bytes);
        bytes[4] = static_cast<unsigned char>(statusValue);
        qToLittleEndian<quint32>(4242, bytes + 5);
    };
    record.onSleep = [&](int pass) {
        if (pass == changeAtPass && statusThen < 0)
            record.heldElsewhere = false;
        else if (pass == changeAtPass || pass == 100) // 100: ends a wait that would never end
            write(0, pass == 100 ? 8 : statusThen);
    };

    const auto release = qScopeGuard([]() {
        if (g_QSharedMemory != nullptr)
            g_QSharedMemory->detach();
        delete g_QSharedMemory;
        g_QSharedMemory = nullptr;
    });
    if (beforeStepA && other.create(CSingleInstance::kSegmentSize))
        write(handle, status);
    QVERIFY(CSingleInstance::StepA());
    if (!beforeStepA && handle >= 0 && other.create(CSingleInstance::kSegmentSize))
        write(handle, status);
    QCOMPARE(CSingleInstance::StepB(7, [] {}), goesOn);
    QCOMPARE(record.sleeps, sleeps);
    const auto only = [](int value) { return std::vector<std::uint32_t>(value != 0 ? 1 : 0, quint32(value)); };
    QCOMPARE(record.terminated, only(terminated));
    QCOMPARE(record.shown, only(shown));
    QCOMPARE(record.served, goesOn ? 1 : 0);
    if (goesOn && handle >= 0)
        QCOMPARE(qFromLittleEndian<quint32>(other.constData()), 7u);
}

void TestSingleInstance::showRequestReachesALateListener()
{
    // The first instance listens only just after writing its handle: a start
    // that asks in between tries again until it is heard.
    const std::string name = "PeloraCorvinaTest" + std::to_string(QCoreApplication::applicationPid());
    UnixInstancePlatform later;
    later.SegmentNativeKey(name);
    std::thread asking([&later]() { later.ShowFirstInstance(1, true); });
    QTest::qWait(300);
    UnixInstancePlatform first;
    bool shown = false;
    first.ServeShowRequests(name, [&shown]() { shown = true; });
    QTRY_VERIFY(shown);
    asking.join();
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
