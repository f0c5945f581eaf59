// CMobileDevice against a scripted Mobile Device library: how often the
// device is asked, caches, sessions, reconnecting between identifier
// attempts, disconnecting, and that every value handed over is released.
#include "CMobileDevice.h"
#include "CMobileDeviceDriver.h"
#include "FakeWindowsPlatform.h"

#include <QTest>

#include <map>
#include <string>
#include <vector>

namespace {

// The scripted device: what it answers and what was asked of it.
struct ScriptedDevice
{
    mach_error_t iConnectResult = 0;
    mach_error_t iStartResult = 0;
    mach_error_t iStopResult = 0;
    int iFailingAsks = 0; // asks that give nothing although connected
    std::map<std::string, std::string> mapValues;

    bool bConnected = false;
    int iSessionDepth = 0;
    std::vector<std::string> vecCalls;
    std::vector<bool> vecAskedWhileConnected;
    int iAFCCloses = 0;
};

ScriptedDevice g_Device;
char g_cDeviceTag = 0;
int g_iHandedOver = 0; // Core Foundation objects given to the driver layer
int g_iReleased = 0;

AMDeviceRef DeviceRef()
{
    return reinterpret_cast<AMDeviceRef>(&g_cDeviceTag);
}

bool IsScriptedDevice(AMDeviceRef device)
{
    return device == DeviceRef();
}

mach_error_t CORVINA_DRIVER_CALL ScriptedConnect(AMDeviceRef device)
{
    g_Device.vecCalls.push_back("Connect");
    if (!IsScriptedDevice(device))
        return kAMDInvalidArgumentError;
    g_Device.bConnected = g_Device.iConnectResult == 0;
    return g_Device.iConnectResult;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedDisconnect(AMDeviceRef)
{
    g_Device.vecCalls.push_back("Disconnect");
    g_Device.bConnected = false;
    g_Device.iSessionDepth = 0;
    return 0;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedStartSession(AMDeviceRef)
{
    g_Device.vecCalls.push_back("Start");
    if (!g_Device.bConnected)
        return kAMDNotConnectedError;
    if (g_Device.iStartResult == 0)
        ++g_Device.iSessionDepth;
    return g_Device.iStartResult;
}

mach_error_t CORVINA_DRIVER_CALL ScriptedStopSession(AMDeviceRef)
{
    g_Device.vecCalls.push_back("Stop");
    if (g_Device.iSessionDepth == 0)
        return kAMDSessionInactiveError;
    --g_Device.iSessionDepth;
    return g_Device.iStopResult;
}

CFTypeRef CORVINA_DRIVER_CALL ScriptedCopyValue(AMDeviceRef device, CFStringRef domain, CFStringRef key)
{
    char keyText[64] = {};
    CFStringGetCString(key, keyText, sizeof keyText, kCFStringEncodingUTF8);
    g_Device.vecCalls.push_back(std::string("Copy:") + keyText);
    g_Device.vecAskedWhileConnected.push_back(g_Device.bConnected);
    if (!IsScriptedDevice(device) || domain != nullptr || !g_Device.bConnected)
        return nullptr;
    if (g_Device.iFailingAsks > 0) {
        --g_Device.iFailingAsks;
        return nullptr;
    }
    CFTypeRef value = nullptr;
    if (std::string(keyText) == "BatteryCurrentCapacity") {
        const std::int8_t level = 87;
        value = CFNumberCreate(nullptr, kCFNumberSInt8Type, &level);
    } else if (std::string(keyText) == "NonVolatileRAM") {
        const void* keys[] = {__CFStringMakeConstantString("auto-boot")};
        const void* values[] = {__CFStringMakeConstantString("true")};
        value = CFDictionaryCreate(nullptr, keys, values, 1, nullptr, nullptr);
    } else {
        const auto found = g_Device.mapValues.find(keyText);
        if (found != g_Device.mapValues.end())
            value = CFStringCreateWithCString(nullptr, found->second.c_str(), kCFStringEncodingUTF8);
    }
    if (value != nullptr)
        ++g_iHandedOver;
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
    if (data != nullptr)
        ++g_iHandedOver;
    return data;
}

void CORVINA_DRIVER_CALL Unused() {}

template<typename Function>
DriverPlatform::EntryPoint EntryPoint(Function function)
{
    return reinterpret_cast<DriverPlatform::EntryPoint>(function);
}

std::vector<std::string> Repeat(const std::vector<std::string>& calls, int times)
{
    std::vector<std::string> all;
    for (int i = 0; i < times; ++i)
        all.insert(all.end(), calls.begin(), calls.end());
    return all;
}

QStringList Calls()
{
    QStringList calls;
    for (const std::string& call : g_Device.vecCalls)
        calls << QString::fromStdString(call);
    return calls;
}

QStringList Calls(const std::vector<std::string>& expected)
{
    QStringList calls;
    for (const std::string& call : expected)
        calls << QString::fromStdString(call);
    return calls;
}

} // namespace

class TestCMobileDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void connectAndDisconnect();
    void sessions();
    void valuesCachedOnlyOnceFound();
    void uniqueDeviceIdAskedSixTimesAtMost();
    void uniqueDeviceIdAfterReconnect();
    void otherValueKindsAndReleases();
};

void TestCMobileDevice::initTestCase()
{
    // The driver table: the scripted device for the Mobile Device library,
    // the program's own Core Foundation library with counted releases.
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
    g_Device.mapValues = {{"UniqueDeviceID", "00008110-000A1C2E3F40801E"},
                          {"DeviceName", "\xE5\xBC\xA0\xE4\xB8\x89\xE7\x9A\x84 iPhone"},
                          {"ProductVersion", "17.4.1"},
                          {"ProductType", "iPhone14,5"}};
    g_iHandedOver = 0;
    g_iReleased = 0;
}

void TestCMobileDevice::connectAndDisconnect()
{
    {
        CMobileDevice device(DeviceRef());
        QVERIFY(g_Device.vecCalls.empty()); // nothing before Connect
        device.Disconnect();                // not connected: nothing
        QVERIFY(device.Connect());
        QVERIFY(device.Connect()); // already connected: the library is not asked
        device.Disconnect();
        device.Disconnect();
        QCOMPARE(Calls(), Calls({"Connect", "Disconnect"}));
        QCOMPARE(g_Device.iAFCCloses, 0); // no file-service connection was ever opened
    }

    g_Device = ScriptedDevice();
    g_Device.iConnectResult = kAMDNotFoundError;
    CMobileDevice refused(DeviceRef());
    QVERIFY(!refused.Connect());
    refused.Disconnect(); // never connected: nothing to close
    g_Device.iConnectResult = 0;
    QVERIFY(refused.Connect());
    QCOMPARE(Calls(), Calls({"Connect", "Connect"}));

    // An object that goes away while connected lets the device go.
    g_Device.vecCalls.clear();
    {
        CMobileDevice connected(DeviceRef());
        QVERIFY(connected.Connect());
    }
    QCOMPARE(Calls(), Calls({"Connect", "Disconnect"}));
}

void TestCMobileDevice::sessions()
{
    CMobileDevice device(DeviceRef());
    QVERIFY(!device.StartSession()); // not connected
    QVERIFY(device.Connect());
    QVERIFY(device.StartSession());
    QVERIFY(device.StopSession());
    QVERIFY(!device.StopSession()); // no session left
    g_Device.iStartResult = kAMDPairingDialogPendingError;
    QVERIFY(!device.StartSession());

    // A refused session does not stop the read: the value is asked anyway.
    QCOMPARE(device.GetProductVersion(), QStringLiteral("17.4.1"));
    QCOMPARE(Calls().mid(6), QStringList({QStringLiteral("Start"), QStringLiteral("Copy:ProductVersion"),
                                          QStringLiteral("Stop")}));
}

void TestCMobileDevice::valuesCachedOnlyOnceFound()
{
    CMobileDevice device(DeviceRef());
    QVERIFY(device.Connect());
    g_Device.vecCalls.clear();

    QCOMPARE(device.GetDeviceName(), QString::fromUtf8("张三的 iPhone"));
    QCOMPARE(device.GetDeviceName(), QString::fromUtf8("张三的 iPhone"));
    QCOMPARE(Calls(), Calls({"Start", "Copy:DeviceName", "Stop"}));

    QCOMPARE(device.GetProductVersion(), QStringLiteral("17.4.1"));
    QCOMPARE(device.GetProductType(), QStringLiteral("iPhone14,5"));
    QCOMPARE(Calls().mid(3), Calls({"Start", "Copy:ProductVersion", "Stop", "Start", "Copy:ProductType", "Stop"}));

    // Nothing is not remembered: each call asks again until a value comes.
    CMobileDevice silent(DeviceRef());
    QVERIFY(silent.Connect());
    g_Device.mapValues.erase("DeviceName");
    g_Device.vecCalls.clear();
    QCOMPARE(silent.GetDeviceName(), QString());
    QCOMPARE(silent.GetDeviceName(), QString());
    g_Device.mapValues["DeviceName"] = "iPad";
    QCOMPARE(silent.GetDeviceName(), QStringLiteral("iPad"));
    QCOMPARE(silent.GetDeviceName(), QStringLiteral("iPad"));
    QCOMPARE(Calls(), Calls(Repeat({"Start", "Copy:DeviceName", "Stop"}, 3)));

    // Cached values survive a disconnect.
    device.Disconnect();
    g_Device.vecCalls.clear();
    QCOMPARE(device.GetDeviceName(), QString::fromUtf8("张三的 iPhone"));
    QVERIFY(g_Device.vecCalls.empty());
}

void TestCMobileDevice::uniqueDeviceIdAskedSixTimesAtMost()
{
    g_Device.mapValues.erase("UniqueDeviceID");
    CMobileDevice device(DeviceRef());
    QVERIFY(device.Connect());
    g_Device.vecCalls.clear();

    QCOMPARE(device.GetUniqueDeviceID(5), QString());

    // Six attempts, each in a session of its own that ends only after all
    // later attempts have ended, with a fresh connection before the next.
    std::vector<std::string> expected = Repeat({"Start", "Copy:UniqueDeviceID", "Disconnect", "Connect"}, 6);
    const std::vector<std::string> stops = Repeat({"Stop"}, 6);
    expected.insert(expected.end(), stops.begin(), stops.end());
    QCOMPARE(Calls(), Calls(expected));
    for (bool connected : g_Device.vecAskedWhileConnected)
        QVERIFY(connected);

    // The device is still connected, so the values after the identifier can be read.
    QCOMPARE(device.GetDeviceName(), QString::fromUtf8("张三的 iPhone"));

    // A negative count asks nothing.
    g_Device.vecCalls.clear();
    QCOMPARE(device.GetUniqueDeviceID(-1), QString());
    QVERIFY(g_Device.vecCalls.empty());
}

void TestCMobileDevice::uniqueDeviceIdAfterReconnect()
{
    g_Device.iFailingAsks = 2;
    CMobileDevice device(DeviceRef());
    QVERIFY(device.Connect());
    g_Device.vecCalls.clear();

    QCOMPARE(device.GetUniqueDeviceID(5), QStringLiteral("00008110-000A1C2E3F40801E"));
    QCOMPARE(int(g_Device.vecAskedWhileConnected.size()), 3);
    QCOMPARE(Calls().count(QStringLiteral("Copy:UniqueDeviceID")), 3);

    // Known now: no more asks, whatever the count.
    g_Device.vecCalls.clear();
    QCOMPARE(device.GetUniqueDeviceID(5), QStringLiteral("00008110-000A1C2E3F40801E"));
    QCOMPARE(device.GetUniqueDeviceID(0), QStringLiteral("00008110-000A1C2E3F40801E"));
    QVERIFY(g_Device.vecCalls.empty());

    // Found at the last attempt.
    g_Device.iFailingAsks = 5;
    CMobileDevice late(DeviceRef());
    QVERIFY(late.Connect());
    QCOMPARE(late.GetUniqueDeviceID(5), QStringLiteral("00008110-000A1C2E3F40801E"));
}

void TestCMobileDevice::otherValueKindsAndReleases()
{
    CMobileDevice device(DeviceRef());
    QVERIFY(device.Connect());
    QCOMPARE(device.CopyValueText("BatteryCurrentCapacity"), QStringLiteral("87"));
    const QString nvram = device.CopyValueText("NonVolatileRAM");
    QVERIFY2(nvram.contains(QStringLiteral("<key>auto-boot</key>\n\t<string>true</string>")), qPrintable(nvram));
    QCOMPARE(device.CopyValueText("NoSuchKey"), QString());
    QCOMPARE(device.GetUniqueDeviceID(5), QStringLiteral("00008110-000A1C2E3F40801E"));
    QCOMPARE(device.GetProductType(), QStringLiteral("iPhone14,5"));

    // Every value the library handed over, and the XML made from the
    // dictionary, has been released once.
    QCOMPARE(g_iHandedOver, 5);
    QCOMPARE(g_iReleased, g_iHandedOver);
}

QTEST_GUILESS_MAIN(TestCMobileDevice)
#include "TestCMobileDevice.moc"
