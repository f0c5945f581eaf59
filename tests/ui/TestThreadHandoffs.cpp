// The program's hand-offs between threads, driven from plain threads while
// the GUI thread goes on: requests to end a run and the causes it keeps, a
// run's result and failed-app count read where the page reads them, and
// device notifications reaching the window from the library's thread, also
// while the window goes away. No tool is started: under ThreadSanitizer, a
// process started through Qt hides the thread that started it.
#include "AppGlobals.h"
#include "CDeviceMonitor.h"
#include "COperation.h"
#include "CProgramFolder.h"
#include "Corvina.h"
#include "SharedTypes.h"
#include "ThreadDeviceBackup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Works in small steps, noting a failed app in each, until an end is
// requested or the steps are done, as the workers do between their tools.
class SteppedRun : public ThreadToolRun
{
public:
    std::atomic<bool> bBegun{false};

protected:
    void run() override
    {
        BeginRun();
        bBegun = true;
        for (int i = 0; i < 300 && !m_CToolEndRequest.IsRequested(); ++i) {
            NoteAppFailure({eiFailureCause_Unknown, QString::number(i)});
            QThread::usleep(200);
        }
        if (m_CToolEndRequest.IsRequested())
            SetFailureCause({m_CToolEndRequest.Reason(), QString()});
        EndRun(false);
    }
};

template <class Function>
void OnThreads(int iThreads, Function function)
{
    std::vector<std::thread> listThreads;
    for (int i = 0; i < iThreads; ++i)
        listThreads.emplace_back(function);
    for (std::thread& thread : listThreads)
        thread.join();
}

enum enumWhen { eiWhen_BeforeItBegins, eiWhen_WhileItRuns, eiWhen_AfterItEnded };

} // namespace

class TestThreadHandoffs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void requestsFromOtherThreads_data();
    void requestsFromOtherThreads();
    void resultReadOnTheGuiThread();
    void notificationsFromTheLibraryThread();

private:
    QTemporaryDir m_qTemporaryDir;
};

void TestThreadHandoffs::initTestCase()
{
    // A program folder with the driver libraries, and a runtime folder of its
    // own so that no other start counts as the first instance.
    g_qstrAppDirPath = m_qTemporaryDir.filePath(QStringLiteral("program"));
    // Device locks of its own: other tests may run the same devices at once.
    CProgramFolder::SetDeviceLockFolder(m_qTemporaryDir.filePath(QStringLiteral("locks")));
    QVERIFY(QDir().mkpath(g_qstrAppDirPath) && QDir().mkpath(m_qTemporaryDir.filePath(QStringLiteral("runtime"))));
    for (const char* library : {"libCoreFoundation.so", "libiTunesMobileDevice.so"})
        QVERIFY(QFile::link(QStringLiteral(CORVINA_PROGRAM_DIR "/") + QLatin1String(library),
                            g_qstrAppDirPath + QLatin1Char('/') + QLatin1String(library)));
    const QString qstrRuntime = m_qTemporaryDir.filePath(QStringLiteral("runtime"));
    QVERIFY(QFile::setPermissions(qstrRuntime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(qstrRuntime));
    qputenv("HOME", QFile::encodeName(m_qTemporaryDir.path()));
    RegisterSharedMetaTypes();
}

void TestThreadHandoffs::requestsFromOtherThreads_data()
{
    QTest::addColumn<int>("iWhen");
    QTest::addColumn<bool>("bCancel");
    QTest::addColumn<int>("iCause");
    QTest::newRow("cancelled while it runs") << int(eiWhen_WhileItRuns) << true << int(eiFailureCause_Cancelled);
    QTest::newRow("unplugged before it begins") << int(eiWhen_BeforeItBegins) << false << int(eiFailureCause_Disconnected);
    QTest::newRow("cancelled after it ended: the next run goes on") << int(eiWhen_AfterItEnded) << true
                                                                    << int(eiFailureCause_Unknown);
}

void TestThreadHandoffs::requestsFromOtherThreads()
{
    QFETCH(int, iWhen);
    QFETCH(bool, bCancel);
    QFETCH(int, iCause);
    SteppedRun run;
    const auto request = [&run, bCancel]() {
        for (int i = 0; i < 50; ++i) {
            bCancel ? run.CancelRunningTool() : run.EndRunningTool();
            (void)run.FailureCause();
            (void)run.AppsFailureCause();
        }
    };
    if (iWhen == eiWhen_AfterItEnded) {
        run.StartRun();
        QVERIFY(run.wait(QDeadlineTimer(10000)));
        OnThreads(3, request);
    }
    run.StartRun();
    if (iWhen == eiWhen_BeforeItBegins)
        OnThreads(3, request);
    if (iWhen == eiWhen_WhileItRuns) {
        QTRY_VERIFY(run.bBegun);
        OnThreads(3, request);
    }
    QVERIFY(run.wait(QDeadlineTimer(10000)));
    QCOMPARE(FailureCauseName(run.FailureCause().eiCause), FailureCauseName(enumFailureCause(iCause)));
}

void TestThreadHandoffs::resultReadOnTheGuiThread()
{
    // Nothing chosen: the run decides its result at once, and the operation
    // reads the thread's counts on this thread when it arrives.
    structOperationRequest request;
    request.qstrDeviceUDID = QStringLiteral("a1");
    request.qstrBackupRoot = m_qTemporaryDir.filePath(QStringLiteral("sets"));
    request.bPersonalData = false;
    COperation operation(request);
    QList<int> listSeen;
    connect(&operation, &COperation::signal_Finished, this, [&listSeen](const structOperationResult& result) {
        listSeen << int(result.bSucceeded) << result.iAppFailedCount;
    });
    QVERIFY(operation.Start());
    QTRY_COMPARE(listSeen, QList<int>({1, 0}));
    QVERIFY(operation.Wait(QDeadlineTimer(10000)));
}

void TestThreadHandoffs::notificationsFromTheLibraryThread()
{
    auto* window = new Corvina;
    QVERIFY(!window->MustEnd());
    // With no device known yet the home page asks for one; it offers no buttons.
    QVERIFY(window->findChild<QWidget*>(QStringLiteral("widgetBackupRestore"))->isHidden());
    // Departures of a device the table never had change nothing but still
    // reach the window; the record is never looked into.
    DeviceNotificationArgs args{&args, DeviceNotificationArgs::Disconnected};
    std::atomic<bool> bStop{false};
    std::atomic<int> iDelivered{0};
    std::thread library([&]() {
        while (!bStop) {
            CDeviceMonitor::HandleNotification(&args, nullptr);
            ++iDelivered;
        }
    });
    QTRY_VERIFY(iDelivered > 100);
    QTest::qWait(100); // the window handles what was queued meanwhile
    delete window;     // while notifications keep coming
    const int iAtDeletion = iDelivered;
    QTRY_VERIFY(iDelivered > iAtDeletion + 100);
    bStop = true;
    library.join();
}

QTEST_MAIN(TestThreadHandoffs)
#include "TestThreadHandoffs.moc"
