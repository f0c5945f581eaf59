// CMobileDevice against a scripted Mobile Device library: how often the
// device is asked, caches, sessions, reconnecting between identifier
// attempts, disconnecting, and that every value handed over is released.
#include "CMobileDevice.h"
#include "CMobileDeviceDriver.h"
#include "FakeWindowsPlatform.h"

#include <QTest>

#include <map>
#include <string>

namespace {

// The scripted device: what it answers and what was asked of it.
struct ScriptedDevice
{
    mach_error_t iConnectResult = 0;
    mach_error_t iStartResult = 0;
    int iFailingAsks = 0; // asks that give nothing although connected
    std::map<std::string, std::string> mapValues = {{"UniqueDeviceID", "00008110-000A1C2E3F40801E"},
                                                    {"DeviceName", "\xE5\xBC\xA0\xE4\xB8\x89\xE7\x9A\x84 iPhone"},
                                                    {"ProductVersion", "17.4.1"},
                                                    {"ProductType", "iPhone14,5"}};
    bool bConnected = false;
    bool bAskedWhileDisconnected = false;
    int iSessionDepth = 0;
    QStringList calls;
    int iAFCCloses = 0;
};

ScriptedDevice g_Device;
char g_cDeviceTag = 0;
int g_iHandedOver = 0; // Core Foundation objects given to the driver layer
int g_iReleased = 0;
const AMDeviceRef kDevice = reinterpret_cast<AMDeviceRef>(&g_cDeviceTag);
const QString kUDID = QStringLiteral("00008110-000A1C2E3F40801E");
const QString kName = QString::fromUtf8("张三的 iPhone");

mach_error_t CORVINA_DRIVER_CALL ScriptedConnect(AMDeviceRef device)
{
    g_Device.calls << QStringLiteral("Connect");
    if (device != kDevice)
        return kAMDInvalidArgumentError;
    g_Device.bConnected = g_Device.iConnectResult == 0;
    return g_Device.iConnectResult;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedDisconnect(AMDeviceRef)
{
    g_Device.calls << QStringLiteral("Disconnect");
    g_Device.bConnected = false;
    g_Device.iSessionDepth = 0;
    return 0;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedStartSession(AMDeviceRef)
{
    g_Device.calls << QStringLiteral("Start");
    if (!g_Device.bConnected)
        return kAMDNotConnectedError;
    if (g_Device.iStartResult == 0)
        ++g_Device.iSessionDepth;
    return g_Device.iStartResult;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedStopSession(AMDeviceRef)
{
    g_Device.calls << QStringLiteral("Stop");
    if (g_Device.iSessionDepth == 0)
        return kAMDSessionInactiveError;
    --g_Device.iSessionDepth;
    return 0;
}

CFTypeRef CORVINA_DRIVER_CALL ScriptedCopyValue(AMDeviceRef device, CFStringRef domain, CFStringRef key)
{
    char keyText[64] = {};
    CFStringGetCString(key, keyText, sizeof keyText, kCFStringEncodingUTF8);
    const std::string name = keyText;
    g_Device.calls << QStringLiteral("Copy:") + QString::fromStdString(name);
    g_Device.bAskedWhileDisconnected |= !g_Device.bConnected;
    if (device != kDevice || domain != nullptr || !g_Device.bConnected)
        return nullptr;
    if (g_Device.iFailingAsks > 0) {
        --g_Device.iFailingAsks;
        return nullptr;
    }
    CFTypeRef value = nullptr;
    if (name == "BatteryCurrentCapacity") {
        const std::int8_t level = 87;
        value = CFNumberCreate(nullptr, kCFNumberSInt8Type, &level);
    } else if (name == "NonVolatileRAM") {
        const void* keys[] = {__CFStringMakeConstantString("auto-boot")};
        const void* values[] = {__CFStringMakeConstantString("true")};
        value = CFDictionaryCreate(nullptr, keys, values, 1, nullptr, nullptr);
    } else if (g_Device.mapValues.count(name) > 0) {
        value = CFStringCreateWithCString(nullptr, g_Device.mapValues[name].c_str(), kCFStringEncodingUTF8);
    }
    g_iHandedOver += value != nullptr ? 1 : 0;
    return value;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedAFCConnectionClose(AFCConnectionRef)
{
    ++g_Device.iAFCCloses;
    return 0;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedSubscribe(AMDeviceNotificationCallback, unsigned int, unsigned int, void*,
                                                   AMDeviceNotificationRef*)
{
    return 0;
}

void CORVINA_DRIVER_CALL CountingRelease(CFTypeRef cf)
{
    ++g_iReleased;
    CFRelease(cf);
}

CFDataRef CORVINA_DRIVER_CALL CountingCreateXMLData(CFAllocatorRef allocator, CFPropertyListRef propertyList)
{
    const CFDataRef data = CFPropertyListCreateXMLData(allocator, propertyList);
    g_iHandedOver += data != nullptr ? 1 : 0;
    return data;
}

void CORVINA_DRIVER_CALL Unused() {}

template<typename Function>
DriverPlatform::EntryPoint EntryPoint(Function function)
{
    return reinterpret_cast<DriverPlatform::EntryPoint>(function);
}

QStringList Repeat(const QStringList& calls, int times)
{
    QStringList all;
    for (int i = 0; i < times; ++i)
        all << calls;
    return all;
}

// The calls of one read of key in a session of its own.
QStringList Read(const char* key)
{
    return {QStringLiteral("Start"), QStringLiteral("Copy:") + QLatin1String(key), QStringLiteral("Stop")};
}

} // namespace

class TestCMobileDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void connectSessionsAndDisconnect();
    void valuesCachedOnlyOnceFound();
    void uniqueDeviceIdRetries();
    void otherValueKindsAndReleases();
};

void TestCMobileDevice::initTestCase()
{
    // The scripted device for the Mobile Device library, the program's own
    // Core Foundation library with counted releases.
    FakeWindowsPlatform platform;
    platform.ProvideAllEntryPoints(EntryPoint(&Unused));
#define CORVINA_REAL_B(name) platform.SetEntryPoint(FakeWindowsPlatform::CoreFoundationLibrary, #name, EntryPoint(&::name));
    CORVINA_ENTRY_POINTS_B(CORVINA_REAL_B)
#undef CORVINA_REAL_B
    const FakeWindowsPlatform::Library cf = FakeWindowsPlatform::CoreFoundationLibrary;
    const FakeWindowsPlatform::Library md = FakeWindowsPlatform::MobileDeviceLibrary;
    platform.SetEntryPoint(cf, "CFRelease", EntryPoint(&CountingRelease));
    platform.SetEntryPoint(cf, "CFPropertyListCreateXMLData", EntryPoint(&CountingCreateXMLData));
    platform.SetEntryPoint(md, "AMDeviceConnect", EntryPoint(&ScriptedConnect));
    platform.SetEntryPoint(md, "AMDeviceDisconnect", EntryPoint(&ScriptedDisconnect));
    platform.SetEntryPoint(md, "AMDeviceStartSession", EntryPoint(&ScriptedStartSession));
    platform.SetEntryPoint(md, "AMDeviceStopSession", EntryPoint(&ScriptedStopSession));
    platform.SetEntryPoint(md, "AMDeviceCopyValue", EntryPoint(&ScriptedCopyValue));
    platform.SetEntryPoint(md, "AFCConnectionClose", EntryPoint(&ScriptedAFCConnectionClose));
    platform.SetEntryPoint(md, "AMDeviceNotificationSubscribe", EntryPoint(&ScriptedSubscribe));
    QVERIFY(CMobileDeviceDriver::LoadDriver(nullptr, nullptr, platform));
}

void TestCMobileDevice::init()
{
    g_Device = ScriptedDevice();
    g_iHandedOver = 0;
    g_iReleased = 0;
}

void TestCMobileDevice::connectSessionsAndDisconnect()
{
    {
        CMobileDevice device(kDevice);
        QVERIFY(g_Device.calls.isEmpty()); // nothing before Connect
        device.Disconnect();               // not connected: nothing
        QVERIFY(!device.StartSession());
        QVERIFY(device.Connect());
        QVERIFY(device.Connect()); // already connected: the library is not asked
        QVERIFY(device.StartSession());
        QVERIFY(device.StopSession());
        QVERIFY(!device.StopSession()); // no session left
        g_Device.iStartResult = kAMDPairingDialogPendingError;
        QVERIFY(!device.StartSession());
        // A refused session does not stop the read: the value is asked anyway.
        QCOMPARE(device.GetProductVersion(), QStringLiteral("17.4.1"));
        device.Disconnect();
        device.Disconnect();
        QCOMPARE(g_Device.calls, QStringList({QStringLiteral("Start"), QStringLiteral("Connect"), QStringLiteral("Start"),
                                              QStringLiteral("Stop"), QStringLiteral("Stop"), QStringLiteral("Start")})
                                     + Read("ProductVersion") + QStringList(QStringLiteral("Disconnect")));
        QCOMPARE(g_Device.iAFCCloses, 0); // no file-service connection was ever opened
    }

    g_Device = ScriptedDevice();
    g_Device.iConnectResult = kAMDNotFoundError;
    CMobileDevice refused(kDevice);
    QVERIFY(!refused.Connect());
    refused.Disconnect(); // never connected: nothing to close
    g_Device.iConnectResult = 0;
    QVERIFY(refused.Connect());
    QCOMPARE(g_Device.calls, QStringList({QStringLiteral("Connect"), QStringLiteral("Connect")}));

    // An object that goes away while connected lets the device go.
    g_Device.calls.clear();
    QVERIFY(CMobileDevice(kDevice).Connect());
    QCOMPARE(g_Device.calls, QStringList({QStringLiteral("Connect"), QStringLiteral("Disconnect")}));
}

void TestCMobileDevice::valuesCachedOnlyOnceFound()
{
    CMobileDevice device(kDevice);
    QVERIFY(device.Connect());
    g_Device.calls.clear();
    QCOMPARE(device.GetDeviceName(), kName);
    QCOMPARE(device.GetDeviceName(), kName);
    QCOMPARE(device.GetProductVersion(), QStringLiteral("17.4.1"));
    QCOMPARE(device.GetProductType(), QStringLiteral("iPhone14,5"));
    QCOMPARE(g_Device.calls, Read("DeviceName") + Read("ProductVersion") + Read("ProductType"));

    // Nothing is not remembered: each call asks again until a value comes.
    CMobileDevice silent(kDevice);
    QVERIFY(silent.Connect());
    g_Device.mapValues.erase("DeviceName");
    g_Device.calls.clear();
    QCOMPARE(silent.GetDeviceName(), QString());
    QCOMPARE(silent.GetDeviceName(), QString());
    g_Device.mapValues["DeviceName"] = "iPad";
    QCOMPARE(silent.GetDeviceName(), QStringLiteral("iPad"));
    QCOMPARE(silent.GetDeviceName(), QStringLiteral("iPad"));
    QCOMPARE(g_Device.calls, Repeat(Read("DeviceName"), 3));

    // Cached values survive a disconnect.
    device.Disconnect();
    g_Device.calls.clear();
    QCOMPARE(device.GetDeviceName(), kName);
    QVERIFY(g_Device.calls.isEmpty());
}

void TestCMobileDevice::uniqueDeviceIdRetries()
{
    // Never given: six attempts, each in a session of its own that ends only
    // after all later attempts have ended, with a fresh connection before the next.
    g_Device.mapValues.erase("UniqueDeviceID");
    CMobileDevice device(kDevice);
    QVERIFY(device.Connect());
    g_Device.calls.clear();
    QCOMPARE(device.GetUniqueDeviceID(5), QString());
    QCOMPARE(g_Device.calls, Repeat({QStringLiteral("Start"), QStringLiteral("Copy:UniqueDeviceID"),
                                     QStringLiteral("Disconnect"), QStringLiteral("Connect")}, 6)
                                 + Repeat({QStringLiteral("Stop")}, 6));
    QVERIFY(!g_Device.bAskedWhileDisconnected);
    // Still connected, so the values after the identifier can be read.
    QCOMPARE(device.GetDeviceName(), kName);
    // A negative count asks nothing.
    g_Device.calls.clear();
    QCOMPARE(device.GetUniqueDeviceID(-1), QString());
    QVERIFY(g_Device.calls.isEmpty());

    // Given at the third attempt, and at the last.
    for (int iFailingAsks : {2, 5}) {
        init();
        g_Device.iFailingAsks = iFailingAsks;
        CMobileDevice later(kDevice);
        QVERIFY(later.Connect());
        QCOMPARE(later.GetUniqueDeviceID(5), kUDID);
        QCOMPARE(g_Device.calls.count(QStringLiteral("Copy:UniqueDeviceID")), iFailingAsks + 1);
        QVERIFY(!g_Device.bAskedWhileDisconnected);
        // Known now: no more asks, whatever the count.
        g_Device.calls.clear();
        QCOMPARE(later.GetUniqueDeviceID(5), kUDID);
        QCOMPARE(later.GetUniqueDeviceID(0), kUDID);
        QVERIFY(g_Device.calls.isEmpty());
    }
}

void TestCMobileDevice::otherValueKindsAndReleases()
{
    CMobileDevice device(kDevice);
    QVERIFY(device.Connect());
    QCOMPARE(device.CopyValueText("BatteryCurrentCapacity"), QStringLiteral("87"));
    const QString nvram = device.CopyValueText("NonVolatileRAM");
    QVERIFY2(nvram.contains(QStringLiteral("<key>auto-boot</key>\n\t<string>true</string>")), qPrintable(nvram));
    QCOMPARE(device.CopyValueText("NoSuchKey"), QString());
    QCOMPARE(device.GetUniqueDeviceID(5), kUDID);
    QCOMPARE(device.GetProductType(), QStringLiteral("iPhone14,5"));
    // Every value the library handed over, and the XML made from the
    // dictionary, has been released once.
    QCOMPARE(g_iHandedOver, 5);
    QCOMPARE(g_iReleased, g_iHandedOver);
}

QTEST_GUILESS_MAIN(TestCMobileDevice)
#include "TestCMobileDevice.moc"
