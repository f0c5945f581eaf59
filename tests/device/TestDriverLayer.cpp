// The driver layer on a fake Windows: where it looks for Apple's support
// software, the order it loads in, that it needs every entry point and
// subscribes last; and the device table for answers no real device gives.
#include "CMobileDeviceDriver.h"
#include "DeviceHandlerRecorder.h"
#include "FakeWindowsPlatform.h"

#include <QTest>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

namespace {

typedef FakeWindowsPlatform Fake;

const std::wstring kDeviceSupportKey = L"SOFTWARE\\Apple Inc.\\Apple Mobile Device Support\\Shared";
const std::wstring kApplicationSupportKey = L"SOFTWARE\\Apple Inc.\\Apple Application Support";
const QString kX86Apple = QStringLiteral("C:\\Program Files (x86)\\Common Files\\Apple\\");
const QString kApple = QStringLiteral("C:\\Program Files\\Common Files\\Apple\\");
const QString kDeviceDll = QStringLiteral("Mobile Device Support\\iTunesMobileDevice.dll");
const QString kApplicationDll = QStringLiteral("Apple Application Support\\CoreFoundation.dll");
const std::wstring kCoreFoundation = L"C:\\Corvina\\CoreFoundation.dll";
const std::wstring kMobileDevice = L"C:\\Corvina\\iTunesMobileDevice.dll";

#define CORVINA_NAME(name) #name,
const std::vector<std::string> kTableA = {CORVINA_ENTRY_POINTS_A(CORVINA_NAME)};
const std::vector<std::string> kTableB = {CORVINA_ENTRY_POINTS_B(CORVINA_NAME)};
#undef CORVINA_NAME

struct Notification
{
    void* pAMDevice;
    int iMessage;
    void* pContext;
};

std::vector<Notification> g_vecNotifications;
mach_error_t g_iSubscribeResult = 0;
bool g_bTableCompleteAtSubscribe = false;
AMDeviceNotificationCallback g_pfnDeliver = nullptr;
char g_cContext = 0;

void CORVINA_DRIVER_CALL Unused() {}

template<typename Function>
DriverPlatform::EntryPoint EntryPoint(Function function)
{
    return reinterpret_cast<DriverPlatform::EntryPoint>(function);
}

// Stands for AMDeviceNotificationSubscribe: notes whether the table was
// complete by then and keeps the callback for the test to deliver through.
mach_error_t CORVINA_DRIVER_CALL FakeSubscribe(AMDeviceNotificationCallback callback, unsigned int, unsigned int,
                                               void*, AMDeviceNotificationRef*)
{
    const MobileDeviceEntryPoints& table = CMobileDeviceDriver::EntryPoints();
    g_bTableCompleteAtSubscribe = true;
#define CORVINA_CHECK_SLOT(name) g_bTableCompleteAtSubscribe = g_bTableCompleteAtSubscribe && table.name != nullptr;
    CORVINA_ENTRY_POINTS_A(CORVINA_CHECK_SLOT)
    CORVINA_ENTRY_POINTS_B(CORVINA_CHECK_SLOT)
#undef CORVINA_CHECK_SLOT
    g_pfnDeliver = callback;
    return g_iSubscribeResult;
}

void Deliver(void* pAMDevice, unsigned int message)
{
    AMDeviceNotificationCallbackInfo info{static_cast<AMDeviceRef>(pAMDevice), message, nullptr};
    g_pfnDeliver(&info, nullptr);
}

void RecordNotification(DeviceNotificationArgs* pArgs, void* pContext)
{
    g_vecNotifications.push_back(Notification{pArgs->pAMDevice, pArgs->iMessage, pContext});
}

// A handler that stays busy until released.
struct Gate
{
    std::atomic<int> iEntered{0};
    std::atomic<bool> bRelease{false};
    std::atomic<bool> bFinished{false};
} g_Gate;

void BusyHandler(DeviceNotificationArgs*, void*)
{
    ++g_Gate.iEntered;
    while (!g_Gate.bRelease)
        std::this_thread::yield();
    g_Gate.bFinished = true;
}

void PrepareWindows(Fake& platform)
{
    platform.ProvideAllEntryPoints(EntryPoint(&Unused));
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceNotificationSubscribe", EntryPoint(&FakeSubscribe));
}

std::wstring W(const QString& text)
{
    return text.toStdWString();
}

QStringList Texts(const std::vector<std::wstring>& paths)
{
    QStringList texts;
    for (const std::wstring& path : paths)
        texts << QString::fromStdWString(path);
    return texts;
}

// The load attempts: first, then the ten support libraries when asked, then last.
QStringList Attempts(std::vector<std::wstring> paths, bool withSupport, const std::vector<std::wstring>& last)
{
    for (const char* library : {"ASL", "pthreadVC2", "objc", "zlib1", "libdispatch", "icudt46", "libicuuc",
                                "libicuin", "libxml2", "SQLite3"}) {
        if (withSupport)
            paths.push_back(L"C:\\Corvina\\" + QString::fromLatin1(library).toStdWString() + L".dll");
    }
    paths.insert(paths.end(), last.begin(), last.end());
    return Texts(paths);
}

// Devices as the Mobile Device library would hand them out. Two references
// share a UDID, as if one phone arrived again before its departure was
// delivered; the third cannot be connected. No real device does either.
struct ScriptedDevice
{
    const char* name;
    bool connectable;
};
char g_acDevices[3];
const std::map<void*, ScriptedDevice> g_mapScripted = {
    {&g_acDevices[0], {"first", true}}, {&g_acDevices[1], {"second", true}}, {&g_acDevices[2], {"gone", false}}};
QStringList g_listDisconnected;

mach_error_t CORVINA_DRIVER_CALL ScriptedConnect(AMDeviceRef device)
{
    return g_mapScripted.at(device).connectable ? kAMDSuccess : kAMDNotFoundError;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedDisconnect(AMDeviceRef device)
{
    g_listDisconnected << QLatin1String(g_mapScripted.at(device).name);
    return kAMDSuccess;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedSession(AMDeviceRef)
{
    return kAMDSuccess;
}

int CORVINA_DRIVER_CALL ScriptedInterfaceType(AMDeviceRef)
{
    return kAMDInterfaceTypeUSB;
}

CFTypeRef CORVINA_DRIVER_CALL ScriptedCopyValue(AMDeviceRef device, CFStringRef, CFStringRef key)
{
    const char* value = CFEqual(key, __CFStringMakeConstantString("UniqueDeviceID")) ? "00008110-000A1C2E3F40801E"
                        : CFEqual(key, __CFStringMakeConstantString("DeviceName")) ? g_mapScripted.at(device).name
                                                                                    : nullptr;
    return value != nullptr ? CFStringCreateWithCString(nullptr, value, kCFStringEncodingUTF8) : nullptr;
}

} // namespace

class TestDriverLayer : public QObject
{
    Q_OBJECT

private slots:
    void searchPath_data();
    void searchPath();
    void libraryLoadOrder_data();
    void libraryLoadOrder();
    void subscriptionComesLast();
    void everyEntryPointIsRequired();
    void tableKeepsEachDeviceObjectUntilItsDeparture();
};

void TestDriverLayer::searchPath_data()
{
    QTest::addColumn<QString>("deviceSupportValue"); // null: not in the registry
    QTest::addColumn<QString>("applicationSupportValue");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("windowsFolder");
    QTest::addColumn<QString>("oldPath"); // null: not set
    QTest::addColumn<QString>("expectedPath");

    const QString old = QStringLiteral("C:\\Windows\\system32;C:\\Tools");
    const QString device = QStringLiteral("D:\\Apple\\Mobile Device Support\\iTunesMobileDevice.dll");
    const QString application = QStringLiteral("D:\\Apple\\Apple Application Support");
    const QString windows = QStringLiteral("C:\\Windows");
    const QString deviceFolder = QStringLiteral("Mobile Device Support\\");
    const QString applicationFolder = QStringLiteral("Apple Application Support\\");
    QTest::newRow("both registry values")
        << device << application << QStringList() << windows << old
        << QStringLiteral("D:\\Apple\\Mobile Device Support\\;D:\\Apple\\Apple Application Support;") + old;
    QTest::newRow("neither value and no files")
        << QString() << QString() << QStringList() << windows << old << QStringLiteral(";") + old;
    QTest::newRow("only application support")
        << QString() << application << QStringList() << windows << old
        << QStringLiteral(";D:\\Apple\\Apple Application Support;") + old;
    QTest::newRow("fall-back files, 32-bit folder first")
        << QString() << QString()
        << QStringList{kX86Apple + kDeviceDll, kApple + kDeviceDll, kX86Apple + kApplicationDll,
                       kApple + kApplicationDll}
        << windows << old << QStringLiteral(";%1%2;%1%3;%4").arg(kX86Apple, deviceFolder, applicationFolder, old);
    QTest::newRow("fall-back files, 64-bit folder")
        << QString() << QString() << QStringList{kApple + kDeviceDll, kApple + kApplicationDll} << windows << old
        << QStringLiteral(";%1%2;%1%3;%4").arg(kApple, deviceFolder, applicationFolder, old);
    QTest::newRow("empty device support value falls back to the file")
        << QString(QLatin1String("")) << QString() << QStringList{kApple + kDeviceDll} << windows << old
        << QStringLiteral(";%1%2;%3").arg(kApple, deviceFolder, old);
    QTest::newRow("registry value wins over the files")
        << device << QString() << QStringList{kX86Apple + kDeviceDll, kX86Apple + kApplicationDll} << windows << old
        << QStringLiteral("D:\\Apple\\Mobile Device Support\\;%1%2;%3").arg(kX86Apple, applicationFolder, old);
    QTest::newRow("drive taken from the Windows folder")
        << QString() << QString()
        << QStringList{kX86Apple + kDeviceDll, QStringLiteral("E:\\Program Files\\Common Files\\Apple\\") + kDeviceDll}
        << QStringLiteral("E:\\WINDOWS") << old
        << QStringLiteral(";E:\\Program Files\\Common Files\\Apple\\Mobile Device Support\\;") + old;
    QTest::newRow("PATH not set")
        << device << application << QStringList() << windows << QString()
        << QStringLiteral("D:\\Apple\\Mobile Device Support\\;D:\\Apple\\Apple Application Support;");
}

void TestDriverLayer::searchPath()
{
    QFETCH(QString, deviceSupportValue);
    QFETCH(QString, applicationSupportValue);
    QFETCH(QStringList, files);
    QFETCH(QString, windowsFolder);
    QFETCH(QString, oldPath);
    QFETCH(QString, expectedPath);

    Fake platform;
    PrepareWindows(platform);
    if (!deviceSupportValue.isNull())
        platform.m_mapRegistry[{kDeviceSupportKey, L"iTunesMobileDeviceDLL"}] = W(deviceSupportValue);
    if (!applicationSupportValue.isNull())
        platform.m_mapRegistry[{kApplicationSupportKey, L"InstallDir"}] = W(applicationSupportValue);
    for (const QString& file : files)
        platform.m_setFiles.insert(W(file));
    platform.m_wstrWindowsFolder = W(windowsFolder);
    if (!oldPath.isNull())
        platform.m_mapEnvironment[L"PATH"] = W(oldPath);

    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    // A second call finds both loaded and leaves everything alone.
    const size_t lookUps = platform.m_vecLookUps.size();
    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    QCOMPARE(platform.m_vecLookUps.size(), lookUps);
    QCOMPARE(platform.m_iEnvironmentWrites, 1);
    QCOMPARE(QString::fromStdWString(platform.m_mapEnvironment[L"PATH"]), expectedPath);
    // Whatever the search path says, the two come from the program folder.
    QCOMPARE(Texts(platform.m_vecLoadAttempts), Attempts({kCoreFoundation, kMobileDevice}, false, {}));
}

void TestDriverLayer::libraryLoadOrder_data()
{
    QTest::addColumn<int>("coreFoundationFailures"); // loads of CoreFoundation.dll that fail first
    QTest::addColumn<int>("mobileDeviceFailures");
    QTest::addColumn<QStringList>("expectedAttempts");
    QTest::addColumn<bool>("expectedResult");

    QTest::newRow("both load at once") << 0 << 0 << Attempts({kCoreFoundation, kMobileDevice}, false, {}) << true;
    QTest::newRow("Core Foundation after the support libraries")
        << 1 << 0 << Attempts({kCoreFoundation}, true, {kCoreFoundation, kMobileDevice}) << true;
    QTest::newRow("Core Foundation never loads")
        << 9 << 0 << Attempts({kCoreFoundation}, true, {kCoreFoundation}) << false;
    QTest::newRow("Mobile Device after the support libraries")
        << 0 << 1 << Attempts({kCoreFoundation, kMobileDevice}, true, {kMobileDevice}) << true;
    QTest::newRow("Mobile Device never loads")
        << 0 << 9 << Attempts({kCoreFoundation, kMobileDevice}, true, {kMobileDevice}) << false;
    QTest::newRow("support libraries are loaded once only")
        << 1 << 1 << Attempts({kCoreFoundation}, true, {kCoreFoundation, kMobileDevice}) << false;
}

void TestDriverLayer::libraryLoadOrder()
{
    QFETCH(int, coreFoundationFailures);
    QFETCH(int, mobileDeviceFailures);
    QFETCH(QStringList, expectedAttempts);
    QFETCH(bool, expectedResult);

    Fake platform;
    PrepareWindows(platform);
    // Apple's software is installed, yet only the program folder counts.
    platform.m_mapRegistry[{kDeviceSupportKey, L"iTunesMobileDeviceDLL"}] = W(kApple + kDeviceDll);
    platform.m_setFiles.insert(W(kX86Apple + kApplicationDll));
    platform.FailLoads(kCoreFoundation, coreFoundationFailures);
    platform.FailLoads(kMobileDevice, mobileDeviceFailures);
    // A missing support library does not stop the others.
    platform.m_setMissingLibraries.insert(L"C:\\Corvina\\objc.dll");

    QCOMPARE(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform), expectedResult);
    QCOMPARE(Texts(platform.m_vecLoadAttempts), expectedAttempts);
}

void TestDriverLayer::subscriptionComesLast()
{
    Fake platform;
    PrepareWindows(platform);
    g_bTableCompleteAtSubscribe = false;
    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    QVERIFY(g_bTableCompleteAtSubscribe);
    // Every record reaches the handler as it came, with the context; judging
    // the message is the handler's business.
    g_vecNotifications.clear();
    for (unsigned int message : {1u, 2u, 7u})
        Deliver(&g_cContext, message);
    QCOMPARE(g_vecNotifications.size(), size_t(3));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(g_vecNotifications[i].iMessage, i < 2 ? i + 1 : 7);
        QCOMPARE(g_vecNotifications[i].pAMDevice, static_cast<void*>(&g_cContext));
        QCOMPARE(g_vecNotifications[i].pContext, static_cast<void*>(&g_cContext));
    }

    // As the process ends, a notification being handled is waited for and
    // later ones are dropped: the objects the handler uses are going away.
    Fake again;
    PrepareWindows(again);
    QVERIFY(CMobileDeviceDriver::LoadDriver(nullptr, &BusyHandler, again));
    std::thread library([]() { Deliver(&g_cContext, 1); });
    QTRY_COMPARE(g_Gate.iEntered.load(), 1);
    bool bFinishedWhenEnded = false;
    std::thread ending([&bFinishedWhenEnded]() {
        CMobileDeviceDriver::EndDeliveries();
        bFinishedWhenEnded = g_Gate.bFinished;
    });
    QTest::qWait(100); // an end that did not wait would be over by now
    g_Gate.bRelease = true;
    library.join();
    ending.join();
    QVERIFY(bFinishedWhenEnded);
    Deliver(&g_cContext, 2);
    QCOMPARE(g_Gate.iEntered.load(), 1);

    // A subscription the library refuses fails the load.
    Fake refusing;
    PrepareWindows(refusing);
    g_iSubscribeResult = kAMDUndefinedError;
    const bool loaded = CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, refusing);
    g_iSubscribeResult = 0;
    QVERIFY(!loaded);
}

void TestDriverLayer::everyEntryPointIsRequired()
{
    // Resolution goes through table A, then table B, and stops at the first
    // name its library lacks.
    std::vector<std::string> names = kTableA;
    names.insert(names.end(), kTableB.begin(), kTableB.end());
    for (size_t index = 0; index < names.size(); ++index) {
        Fake platform;
        PrepareWindows(platform);
        platform.SetEntryPoint(index < kTableA.size() ? Fake::MobileDeviceLibrary : Fake::CoreFoundationLibrary,
                               names[index], nullptr);
        QVERIFY2(!CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform), names[index].c_str());
        QVERIFY(platform.m_vecLookUps == std::vector<std::string>(names.begin(), names.begin() + index + 1));
    }
}

void TestDriverLayer::tableKeepsEachDeviceObjectUntilItsDeparture()
{
    // The Mobile Device side scripted, Core Foundation the program's own.
    Fake platform;
    PrepareWindows(platform);
#define CORVINA_REAL_B(name) platform.SetEntryPoint(Fake::CoreFoundationLibrary, #name, EntryPoint(&::name));
    CORVINA_ENTRY_POINTS_B(CORVINA_REAL_B)
#undef CORVINA_REAL_B
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceConnect", EntryPoint(&ScriptedConnect));
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceDisconnect", EntryPoint(&ScriptedDisconnect));
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceStartSession", EntryPoint(&ScriptedSession));
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceStopSession", EntryPoint(&ScriptedSession));
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceCopyValue", EntryPoint(&ScriptedCopyValue));
    platform.SetEntryPoint(Fake::MobileDeviceLibrary, "AMDeviceGetInterfaceType", EntryPoint(&ScriptedInterfaceType));
    DeviceHandlerRecorder recorder;
    QVERIFY(CMobileDeviceDriver::LoadDriver(&recorder, &DeviceHandlerRecorder::Handle, platform));

    const struct
    {
        int device;
        unsigned int message;
        const char* name; // of an accepted arrival
        int count;        // entries afterwards
        const char* disconnected;
    } steps[] = {
        {0, 1, "first", 1, ""},
        {1, 1, "second", 1, ""},        // the same UDID: its entry is replaced, the first stays connected
        {0, 2, nullptr, 1, "first"},    // its own departure lets it go; the entry of the second stays
        {1, 2, nullptr, 0, "first,second"},
        {2, 1, nullptr, 0, "first,second"}, // cannot be connected: left out
    };
    for (const auto& step : steps) {
        Deliver(&g_acDevices[step.device], step.message);
        const std::vector<DeviceHandlerRecorder::Event> events = recorder.WaitFor(0);
        QCOMPARE(events.back().values.value(1), QString::fromLatin1(step.name));
        QCOMPARE(events.back().iDeviceCount, step.count);
        QCOMPARE(g_listDisconnected.join(QLatin1Char(',')), QString::fromLatin1(step.disconnected));
    }
    QVERIFY(g_mapDeviceInfo.isEmpty());
}

QTEST_GUILESS_MAIN(TestDriverLayer)
#include "TestDriverLayer.moc"
