// Both halves of the handshake against a recording platform and a real
// shared segment, for the states a second process can leave behind.
#include "CSingleInstance.h"
#include "InstancePlatform.h"

#include <QSharedMemory>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <vector>

namespace {

struct PlatformRecord {
    std::string key;
    bool canOutlive = true;
    bool mutexHeldElsewhere = false;
    InstancePlatform::MutexResult mutexResult = InstancePlatform::MutexResult::Created;
    std::vector<std::pair<std::uint32_t, bool>> shown;
    std::vector<std::uint32_t> terminated;
    int sleeps = 0;
    int served = 0;
    std::function<void(int)> onSleep; // lets a test change the segment while step B waits
};

class RecordingPlatform final : public InstancePlatform
{
public:
    explicit RecordingPlatform(PlatformRecord* record) : m_record(record) {}
    std::string SegmentNativeKey(const std::string&) override { return m_record->key; }
    bool SegmentCanOutliveOwner() const override { return m_record->canOutlive; }
    void ShowFirstInstance(std::uint32_t handle, bool front) override { m_record->shown.emplace_back(handle, front); }
    bool TerminateProcessById(std::uint32_t id) override
    {
        m_record->terminated.push_back(id);
        return true;
    }
    MutexResult CreateInstanceMutex(const std::string&) override { return m_record->mutexResult; }
    bool IsInstanceMutexHeldElsewhere(const std::string&) override { return m_record->mutexHeldElsewhere; }
    bool ChangeCurrentDirectory(const std::string&) override { return true; }
    void SleepMilliseconds(unsigned) override
    {
        ++m_record->sleeps;
        if (m_record->onSleep)
            m_record->onSleep(m_record->sleeps);
    }
    void ServeShowRequests(const std::string&, std::function<void()>) override { ++m_record->served; }

private:
    PlatformRecord* m_record;
};

// The other process's view of the segment.
class OtherProcess
{
public:
    explicit OtherProcess(const std::string& key) { m_segment.setNativeKey(QString::fromStdString(key)); }
    ~OtherProcess() { m_segment.detach(); }
    bool Create() { return m_segment.create(CSingleInstance::kSegmentSize); }
    bool Attach() { return m_segment.attach(); }
    unsigned char* Bytes() { return static_cast<unsigned char*>(m_segment.data()); }
    std::uint32_t Handle() { return qFromLittleEndian<quint32>(Bytes()); }
    void Write(std::uint32_t handle, unsigned char status, std::uint32_t processId = 0)
    {
        qToLittleEndian<quint32>(handle, Bytes());
        Bytes()[4] = status;
        qToLittleEndian<quint32>(processId, Bytes() + 5);
    }

private:
    QSharedMemory m_segment;
};

} // namespace

class TestSingleInstanceSteps : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    PlatformRecord m_record;
    int m_case = 0;

private slots:
    void init()
    {
        m_record = PlatformRecord();
        m_record.key = m_dir.filePath(QStringLiteral("segment%1").arg(++m_case)).toStdString();
        CSingleInstance::SetPlatform(std::make_unique<RecordingPlatform>(&m_record));
    }

    void cleanup()
    {
        if (g_QSharedMemory != nullptr)
            g_QSharedMemory->detach();
        delete g_QSharedMemory;
        g_QSharedMemory = nullptr;
    }

    void freshStartWritesHandleAndServes()
    {
        QVERIFY(CSingleInstance::StepA());
        QVERIFY(CSingleInstance::StepB(0x1234, [] {}));
        OtherProcess other(m_record.key);
        QVERIFY(other.Attach());
        QCOMPARE(other.Handle(), 0x1234u);
        QCOMPARE(int(other.Bytes()[4]), 1);
        QCOMPARE(m_record.served, 1);
        QVERIFY(m_record.shown.empty());
    }

    void stepAWithRunningOrStaleOrEmptySegment()
    {
        OtherProcess other(m_record.key);
        QVERIFY(other.Create());

        // A zero handle: start-up goes on, and step B takes over that segment.
        other.Write(0, 0);
        QVERIFY(CSingleInstance::StepA());
        QVERIFY(CSingleInstance::StepB(77, [] {}));
        QCOMPARE(other.Handle(), 77u);
        QCOMPARE(int(other.Bytes()[4]), 1);
        QCOMPARE(m_record.sleeps, 0);
        cleanup();

        // A handle whose owner still holds the instance mutex: hand over.
        other.Write(99, 1);
        m_record.mutexHeldElsewhere = true;
        QVERIFY(!CSingleInstance::StepA());
        QCOMPARE(m_record.shown.size(), size_t(1));
        QCOMPARE(m_record.shown[0].first, 99u);
        QVERIFY(m_record.shown[0].second);
        QCOMPARE(other.Handle(), 99u);
        cleanup();

        // The same handle left by a crashed owner: taken over.
        m_record.mutexHeldElsewhere = false;
        QVERIFY(CSingleInstance::StepA());
        QVERIFY(CSingleInstance::StepB(5, [] {}));
        QCOMPARE(other.Handle(), 5u);
        QCOMPARE(m_record.shown.size(), size_t(1));
    }

    void segmentAppearingBeforeStepB()
    {
        QVERIFY(CSingleInstance::StepA()); // nothing there yet
        OtherProcess other(m_record.key);
        QVERIFY(other.Create());

        // Handle already written by the other start: show it, end this one.
        other.Write(4321, 1);
        m_record.mutexHeldElsewhere = true;
        QVERIFY(!CSingleInstance::StepB(1, [] {}));
        QCOMPARE(m_record.shown.size(), size_t(1));
        QCOMPARE(m_record.shown[0].first, 4321u);
        QVERIFY(!m_record.shown[0].second);
        QCOMPARE(m_record.served, 0);
    }

    void waitLoopStatusBytes()
    {
        QVERIFY(CSingleInstance::StepA());
        OtherProcess other(m_record.key);
        QVERIFY(other.Create());
        other.Write(0, 3, 4242);
        m_record.mutexHeldElsewhere = true;
        // Status 3 means nothing: keep polling until it turns into 1.
        m_record.onSleep = [&other](int pass) {
            if (pass == 3)
                other.Write(0, 1, 4242);
        };
        QVERIFY(CSingleInstance::StepB(8, [] {}));
        QCOMPARE(m_record.sleeps, 3);
        QCOMPARE(m_record.terminated, std::vector<std::uint32_t>{4242});
        QCOMPARE(other.Handle(), 8u);
        cleanup();
        other.Write(0, 8, 4242);
        m_record.terminated.clear();
        m_record.sleeps = 0;
        m_record.onSleep = nullptr;
        QVERIFY(CSingleInstance::StepA());
        cleanup();
        // Status 8: take over without ending anything.
        QVERIFY(CSingleInstance::StepB(9, [] {}));
        QCOMPARE(m_record.sleeps, 1);
        QVERIFY(m_record.terminated.empty());
        QCOMPARE(other.Handle(), 9u);
    }

    void waitLoopEndsWhenOwnerIsGone()
    {
        QVERIFY(CSingleInstance::StepA());
        OtherProcess other(m_record.key);
        QVERIFY(other.Create());
        other.Write(0, 0);
        m_record.mutexHeldElsewhere = true;
        m_record.onSleep = [this](int pass) {
            if (pass == 2)
                m_record.mutexHeldElsewhere = false;
        };
        QVERIFY(CSingleInstance::StepB(6, [] {}));
        QCOMPARE(m_record.sleeps, 2);
        QCOMPARE(other.Handle(), 6u);
    }

    void instanceMutexAlreadyThere()
    {
        m_record.mutexResult = InstancePlatform::MutexResult::AlreadyExists;
        QVERIFY(CSingleInstance::StepA());
        QVERIFY(!CSingleInstance::StepB(3, [] {}));
        QCOMPARE(m_record.served, 0);
        // Other failures to create it are not reported: start-up goes on.
        cleanup();
        m_record.mutexResult = InstancePlatform::MutexResult::Failed;
        QVERIFY(CSingleInstance::StepA());
        QVERIFY(CSingleInstance::StepB(3, [] {}));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstanceSteps)
#include "TestSingleInstanceSteps.moc"
