// The Linux Mobile Device library's code against a scripted libimobiledevice:
// notifications, connections, sessions and values, failures, unsupported entry
// points, and the road from a device event through the driver layer.
#include "CMobileDeviceDriver.h"
#include "DeviceHandlerRecorder.h"
#include "FakeWindowsPlatform.h"
#include "MobileDeviceApi.h"
#include "ScriptedLibimobiledevice.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

typedef ScriptedLibimobiledevice Scripted;

struct Received
{
    AMDeviceRef device;
    unsigned int message;
    AMDeviceNotificationRef subscription;
    std::thread::id thread;
};

// Collects notifications; never freed, because the library keeps calling
// every subscriber to the end of the process.
class NotificationRecorder
{
public:
    static NotificationRecorder* Subscribe(AMDeviceNotificationRef* notification = nullptr)
    {
        auto* recorder = new NotificationRecorder;
        AMDeviceNotificationRef subscription = reinterpret_cast<AMDeviceNotificationRef>(recorder);
        const mach_error_t result = AMDeviceNotificationSubscribe(&Callback, 0, 0, recorder, &subscription);
        if (notification != nullptr)
            *notification = subscription;
        return result == kAMDSuccess ? recorder : nullptr;
    }

    // The notifications so far, once there are count of them or the time is up.
    std::vector<Received> WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait_for(lock, std::chrono::seconds(20), [&] { return m_items.size() >= count; });
        return m_items;
    }

private:
    static void CORVINA_DRIVER_CALL Callback(AMDeviceNotificationCallbackInfo* info, void* context)
    {
        auto* recorder = static_cast<NotificationRecorder*>(context);
        const std::lock_guard<std::mutex> lock(recorder->m_mutex);
        recorder->m_items.push_back(Received{info->device, info->msg, info->subscription, std::this_thread::get_id()});
        recorder->m_arrived.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Received> m_items;
};

// The UDIDs usbmuxd reports as present, kept in step with the events fired.
std::set<std::string> g_setPresent;

std::thread::id Arrive(const std::string& udid, idevice_connection_type type = CONNECTION_USBMUXD)
{
    Scripted::SetReachable(udid, true);
    g_setPresent.insert(udid);
    return Scripted::Fire(IDEVICE_DEVICE_ADD, udid, type);
}

std::thread::id Depart(const std::string& udid, idevice_connection_type type = CONNECTION_USBMUXD)
{
    Scripted::SetReachable(udid, false);
    g_setPresent.erase(udid);
    return Scripted::Fire(IDEVICE_DEVICE_REMOVE, udid, type);
}

std::string Xml(const std::string& body)
{
    return "<plist version=\"1.0\">" + body + "</plist>";
}

Scripted::Device PhoneWithValues()
{
    Scripted::Device device;
    device.mapValues = {{"DeviceName", Xml("<string>\xE5\xBC\xA0\xE4\xB8\x89\xE7\x9A\x84 iPhone</string>")},
                        {"ProductVersion", Xml("<string>17.4.1</string>")},
                        {"ProductType", Xml("<string>iPhone14,5</string>")},
                        {"com.apple.disk_usage/TotalDiskCapacity", Xml("<integer>128000000000</integer>")},
                        {"PasswordProtected", Xml("<true/>")},
                        {"TimeZoneOffsetFromUTC", Xml("<integer>-18000</integer>")},
                        {"SupportedDeviceFamilies", Xml("<array><integer>1</integer></array>")},
                        {"Empty", "null"}};
    return device;
}

// A new subscriber sees the present devices arrive; the device given here,
// arriving now, is the last of them.
AMDeviceRef ArrivedDevice(const std::string& udid, const Scripted::Device& device,
                          NotificationRecorder** ppRecorder = nullptr)
{
    NotificationRecorder* recorder = NotificationRecorder::Subscribe();
    Scripted::SetDevice(udid, device);
    Arrive(udid);
    if (ppRecorder != nullptr)
        *ppRecorder = recorder;
    const std::vector<Received> items = recorder->WaitFor(g_setPresent.size());
    return items.size() == g_setPresent.size() ? items.back().device : nullptr;
}

CFTypeRef CopyValue(AMDeviceRef device, const char* key, const char* domain = nullptr)
{
    return AMDeviceCopyValue(device, domain ? __CFStringMakeConstantString(domain) : nullptr,
                             __CFStringMakeConstantString(key));
}

// A string value read from the device, released afterwards; empty when none came.
QString ReadString(AMDeviceRef device, const char* key)
{
    const CFTypeRef value = CopyValue(device, key);
    char text[256] = {};
    const bool isString = CFGetTypeID(value) == CFStringGetTypeID()
                          && CFStringGetCString(static_cast<CFStringRef>(value), text, sizeof text, kCFStringEncodingUTF8);
    CFRelease(value);
    return value == nullptr ? QString() : isString ? QString::fromUtf8(text) : QStringLiteral("<not a string>");
}

QStringList Reads(const std::string& udid)
{
    QStringList reads;
    for (const std::string& read : Scripted::StatsOf(udid).vecReads)
        reads << QString::fromStdString(read);
    return reads;
}

// Devices, lockdownd clients and sessions of the device still open.
int OpenHandles(const std::string& udid)
{
    const Scripted::Stats stats = Scripted::StatsOf(udid);
    return stats.iOpenSessions + stats.iOpenClients + stats.iOpenDevices;
}

template<typename Function>
DriverPlatform::EntryPoint EntryPoint(Function function)
{
    return reinterpret_cast<DriverPlatform::EntryPoint>(function);
}

} // namespace

class TestMobileDeviceLibrary : public QObject
{
    Q_OBJECT

private slots:
    void subscriptionRetriedAfterFailure();
    void notificationsInOrderFromOwnThread();
    void lateSubscriberLearnsPresentDevices();
    void connectionSessionsAndValues();
    void refusalsAndUnplugging();
    void connectionRenewedAfterDeparture();
    void unsupportedEntryPoints();
    void driverHandlerReadsFourValues();
};

void TestMobileDeviceLibrary::subscriptionRetriedAfterFailure()
{
    // A socket outside /var/run is found only by polling for it.
    qputenv("USBMUXD_SOCKET_ADDRESS", "UNIX:/tmp/corvina-test-usbmuxd");
    Scripted::SetSubscribeResult(IDEVICE_E_UNKNOWN_ERROR);
    AMDeviceNotificationRef notification = reinterpret_cast<AMDeviceNotificationRef>(&notification);
    QVERIFY(NotificationRecorder::Subscribe(&notification) == nullptr);
    QVERIFY(notification == nullptr);
    QCOMPARE(Scripted::SubscribeCalls(), 1);

    Scripted::SetSubscribeResult(IDEVICE_E_SUCCESS);
    QVERIFY(NotificationRecorder::Subscribe() != nullptr);
    QVERIFY(NotificationRecorder::Subscribe() != nullptr);
    QCOMPARE(Scripted::SubscribeCalls(), 2); // listening once is enough
    QCOMPARE(Scripted::InotifySetting(), 0);
    QCOMPARE(AMDeviceNotificationSubscribe(nullptr, 0, 0, nullptr, nullptr), kAMDInvalidArgumentError);
}

void TestMobileDeviceLibrary::notificationsInOrderFromOwnThread()
{
    AMDeviceNotificationRef subscription = nullptr;
    NotificationRecorder* recorder = NotificationRecorder::Subscribe(&subscription);
    QVERIFY(recorder != nullptr);
    Scripted::SetDevice("order-usb", Scripted::Device());
    Scripted::SetDevice("order-net", Scripted::Device());

    // Repeated, unknown and other events change nothing.
    const std::set<std::thread::id> firingThreads = {
        Arrive("order-usb"), Arrive("order-net", CONNECTION_NETWORK), Depart("order-usb"), Arrive("order-usb"),
        Arrive("order-usb"), Depart("never-seen"), Scripted::Fire(IDEVICE_DEVICE_PAIRED, "order-usb", CONNECTION_USBMUXD),
        Depart("order-net", CONNECTION_NETWORK), Depart("order-net", CONNECTION_NETWORK),
        Arrive("order-net")}; // the same phone on USB is another device

    // Delivered in order, so nothing ignored can hide before the last.
    const std::vector<Received> items = recorder->WaitFor(6);
    QCOMPARE(int(items.size()), 6);
    const unsigned int messages[] = {1, 1, 2, 1, 2, 1};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(items[i].message, messages[i]);
        QCOMPARE(items[i].subscription, subscription);
        QVERIFY(items[i].thread == items[0].thread);
        QVERIFY(firingThreads.count(items[i].thread) == 0);
        QVERIFY(items[i].thread != std::this_thread::get_id());
    }
    // One reference per device until it departs.
    QCOMPARE(items[2].device, items[0].device);
    QVERIFY(items[1].device != items[0].device);
    QCOMPARE(items[4].device, items[1].device);
    QVERIFY(items[3].device != nullptr);
    QVERIFY(items[5].device != items[1].device);
    QCOMPARE(AMDeviceGetInterfaceType(items[0].device), int(kAMDInterfaceTypeUSB));
    QCOMPARE(AMDeviceGetInterfaceType(items[1].device), int(kAMDInterfaceTypeNetwork));
    QCOMPARE(AMDeviceGetInterfaceType(items[5].device), int(kAMDInterfaceTypeUSB));

    // Each device is reached the way it is connected.
    AMDeviceConnect(items[1].device);
    QCOMPARE(Scripted::StatsOf("order-net").iLastLookup, int(IDEVICE_LOOKUP_NETWORK));
    AMDeviceDisconnect(items[1].device);
    QCOMPARE(AMDeviceConnect(items[5].device), kAMDSuccess);
    QCOMPARE(Scripted::StatsOf("order-net").iLastLookup, int(IDEVICE_LOOKUP_USBMUX));
    AMDeviceDisconnect(items[5].device);
}

void TestMobileDeviceLibrary::lateSubscriberLearnsPresentDevices()
{
    // An arrival for every device already there, then what happened since.
    NotificationRecorder* recorder = nullptr;
    QVERIFY(ArrivedDevice("late-after", Scripted::Device(), &recorder) != nullptr);
    QVERIFY(g_setPresent.size() >= 3);
    const std::vector<Received> items = recorder->WaitFor(g_setPresent.size());
    QCOMPARE(items.size(), g_setPresent.size());
    std::set<std::string> udids;
    for (const Received& item : items) {
        QCOMPARE(item.message, 1u);
        QCOMPARE(AMDeviceConnect(item.device), kAMDSuccess);
        udids.insert(ReadString(item.device, "UniqueDeviceID").toStdString());
        AMDeviceDisconnect(item.device);
    }
    QVERIFY(udids == g_setPresent);
    QCOMPARE(ReadString(items.back().device, "UniqueDeviceID"), QString()); // disconnected: no value
}

void TestMobileDeviceLibrary::connectionSessionsAndValues()
{
    const AMDeviceRef device = ArrivedDevice("values", PhoneWithValues());
    QVERIFY(device != nullptr);
    QCOMPARE(AMDeviceStartSession(device), kAMDNotConnectedError);
    QVERIFY(CopyValue(device, "DeviceName") == nullptr);
    QCOMPARE(AMDeviceConnect(device), kAMDSuccess);
    QCOMPARE(AMDeviceConnect(device), kAMDSuccess);
    QCOMPARE(Scripted::StatsOf("values").iClientsCreated, 1);
    QCOMPARE(Scripted::StatsOf("values").iHandshakes, 0); // connecting does not pair

    // Without a session the plain connection answers; with one, the session.
    QCOMPARE(ReadString(device, "DeviceName"), QString::fromUtf8("张三的 iPhone"));
    QCOMPARE(AMDeviceStartSession(device), kAMDSuccess);
    QCOMPARE(AMDeviceStartSession(device), kAMDSuccess);
    QCOMPARE(Scripted::StatsOf("values").iHandshakes, 1);
    QCOMPARE(ReadString(device, "ProductVersion"), QStringLiteral("17.4.1"));
    QCOMPARE(AMDeviceStopSession(device), kAMDSuccess);
    QCOMPARE(Scripted::StatsOf("values").iOpenSessions, 1); // the outer session still runs
    QCOMPARE(ReadString(device, "ProductType"), QStringLiteral("iPhone14,5"));
    QCOMPARE(AMDeviceStopSession(device), kAMDSuccess);
    QCOMPARE(Scripted::StatsOf("values").iOpenSessions, 0);
    QCOMPARE(AMDeviceStopSession(device), kAMDSessionInactiveError);
    QCOMPARE(Reads("values"), QStringList({QStringLiteral("plain:DeviceName"), QStringLiteral("session:ProductVersion"),
                                           QStringLiteral("session:ProductType")}));

    // Values of other kinds become the matching Core Foundation objects.
    const CFTypeRef capacity = CopyValue(device, "TotalDiskCapacity", "com.apple.disk_usage");
    std::int64_t bytes = 0;
    QCOMPARE(CFGetTypeID(capacity), CFNumberGetTypeID());
    QVERIFY(CFNumberGetValue(static_cast<CFNumberRef>(capacity), kCFNumberSInt64Type, &bytes));
    QCOMPARE(bytes, std::int64_t(128000000000));
    const CFTypeRef offset = CopyValue(device, "TimeZoneOffsetFromUTC");
    std::int32_t seconds = 0;
    QVERIFY(CFNumberGetValue(static_cast<CFNumberRef>(offset), kCFNumberSInt32Type, &seconds));
    QCOMPARE(seconds, -18000);
    const CFTypeRef locked = CopyValue(device, "PasswordProtected");
    QCOMPARE(CFGetTypeID(locked), CFBooleanGetTypeID());
    QVERIFY(CFBooleanGetValue(static_cast<CFBooleanRef>(locked)));
    const CFTypeRef families = CopyValue(device, "SupportedDeviceFamilies");
    QCOMPARE(CFGetTypeID(families), CFArrayGetTypeID());
    QCOMPARE(int(CFArrayGetCount(static_cast<CFArrayRef>(families))), 1);
    for (CFTypeRef value : {capacity, offset, locked, families})
        CFRelease(value);
    QVERIFY(CopyValue(device, "Missing") == nullptr);
    QVERIFY(CopyValue(device, "Empty") == nullptr);

    // Disconnecting closes everything, a session too, and may be repeated.
    QCOMPARE(AMDeviceStartSession(device), kAMDSuccess);
    QCOMPARE(AMDeviceDisconnect(device), kAMDSuccess);
    QCOMPARE(AMDeviceDisconnect(device), kAMDSuccess);
    QCOMPARE(OpenHandles("values"), 0);
    QCOMPARE(AMDeviceStopSession(device), kAMDSessionInactiveError);
    QCOMPARE(AMDeviceStartSession(device), kAMDNotConnectedError);
}

void TestMobileDeviceLibrary::refusalsAndUnplugging()
{
    Scripted::Device pending = PhoneWithValues();
    pending.iHandshakeResult = LOCKDOWN_E_PAIRING_DIALOG_RESPONSE_PENDING;
    const AMDeviceRef device = ArrivedDevice("refusals", pending);
    QVERIFY(device != nullptr);

    // Pairing not answered yet: no session, yet the plain connection reads.
    QCOMPARE(AMDeviceConnect(device), kAMDSuccess);
    QCOMPARE(AMDeviceStartSession(device), kAMDPairingDialogPendingError);
    QCOMPARE(ReadString(device, "ProductType"), QStringLiteral("iPhone14,5"));
    QCOMPARE(AMDeviceStopSession(device), kAMDSessionInactiveError);

    const std::pair<lockdownd_error_t, mach_error_t> handshakes[] = {
        {LOCKDOWN_E_USER_DENIED_PAIRING, kAMDUserDeniedPairingError},
        {LOCKDOWN_E_PASSWORD_PROTECTED, kAMDPasswordProtectedError},
        {LOCKDOWN_E_SSL_ERROR, kAMDUndefinedError}};
    for (const auto& handshake : handshakes) {
        Scripted::Device refusing = PhoneWithValues();
        refusing.iHandshakeResult = handshake.first;
        Scripted::SetDevice("refusals", refusing);
        QCOMPARE(AMDeviceStartSession(device), handshake.second);
    }
    AMDeviceDisconnect(device);

    Scripted::Device noLockdown = PhoneWithValues();
    noLockdown.iClientResult = LOCKDOWN_E_MUX_ERROR;
    Scripted::SetDevice("refusals", noLockdown);
    QCOMPARE(AMDeviceConnect(device), kAMDNotConnectedError);
    QCOMPARE(Scripted::StatsOf("refusals").iOpenDevices, 0);

    // Unplugged while being read: no value, nothing left open afterwards.
    Scripted::SetDevice("refusals", PhoneWithValues());
    QCOMPARE(AMDeviceConnect(device), kAMDSuccess);
    Scripted::SetReachable("refusals", false);
    QCOMPARE(ReadString(device, "DeviceName"), QString());
    QCOMPARE(AMDeviceConnect(device), kAMDSuccess); // still this presence: the connection is kept
    AMDeviceDisconnect(device);
    Depart("refusals");
    QCOMPARE(AMDeviceConnect(device), kAMDNotFoundError);
    QCOMPARE(OpenHandles("refusals"), 0);
}

void TestMobileDeviceLibrary::connectionRenewedAfterDeparture()
{
    NotificationRecorder* recorder = nullptr;
    const AMDeviceRef device = ArrivedDevice("renewed", PhoneWithValues(), &recorder);
    QVERIFY(device != nullptr);
    const size_t before = g_setPresent.size();
    QCOMPARE(AMDeviceConnect(device), kAMDSuccess);
    QCOMPARE(AMDeviceStartSession(device), kAMDSuccess);

    // Gone and back without anyone disconnecting: the old connection belongs
    // to the earlier presence and is replaced.
    Depart("renewed");
    Arrive("renewed");
    const std::vector<Received> items = recorder->WaitFor(before + 2);
    QCOMPARE(items.size(), before + 2);
    QCOMPARE(items[before].message, 2u);
    QCOMPARE(items[before + 1].message, 1u);
    const AMDeviceRef again = items[before + 1].device;
    QCOMPARE(AMDeviceConnect(again), kAMDSuccess);
    const Scripted::Stats stats = Scripted::StatsOf("renewed");
    QCOMPARE(stats.iClientsCreated, 2);
    QCOMPARE(stats.iOpenClients, 1);
    QCOMPARE(stats.iOpenSessions, 0);
    QCOMPARE(ReadString(again, "DeviceName"), QString::fromUtf8("张三的 iPhone"));
    AMDeviceDisconnect(again);
    if (again != device)
        AMDeviceDisconnect(device);
    QCOMPARE(OpenHandles("renewed"), 0);
}

// An entry point the system never calls: "unsupported", with its out-parameter cleared.
template<typename Out, typename Call>
bool RefusesAndClears(Call call)
{
    static char junk;
    Out out = reinterpret_cast<Out>(&junk);
    return call(&out) == kAMDUnsupportedError && out == nullptr;
}

void TestMobileDeviceLibrary::unsupportedEntryPoints()
{
    const mach_error_t unsupported = kAMDUnsupportedError;
    const CFStringRef name = __CFStringMakeConstantString("com.apple.afc");
    QCOMPARE(AMDeviceTransferApplication(3, name, nullptr, nullptr, nullptr), unsupported);
    QCOMPARE(AMDeviceInstallApplication(3, name, nullptr, nullptr, nullptr), unsupported);
    QVERIFY(AMDeviceCopyDeviceIdentifier(nullptr) == nullptr);
    QCOMPARE(AMRestoreRegisterForDeviceNotifications(nullptr, nullptr, nullptr, nullptr, 0, nullptr), unsupported);
    QCOMPARE(AMDeviceNotificationUnsubscribe(nullptr), unsupported);
    QCOMPARE(AMDeviceIsPaired(nullptr), unsupported);
    QCOMPARE(AMDevicePair(nullptr), unsupported);
    QCOMPARE(AMDeviceUnpair(nullptr), unsupported);
    QCOMPARE(AMDeviceValidatePairing(nullptr), unsupported);

    int socket = 5;
    unsigned int unknown = 5;
    QCOMPARE(AMDeviceStartService(nullptr, name, &socket, &unknown), unsupported);
    QCOMPARE(socket, -1);
    QCOMPARE(unknown, 0u);
    QVERIFY(RefusesAndClears<AMDServiceConnectionRef>(
        [name](AMDServiceConnectionRef* out) { return AMDeviceSecureStartService(nullptr, name, nullptr, out); }));
    QCOMPARE(AMDServiceConnectionGetSocket(nullptr), -1);
    socket = 5;
    QCOMPARE(USBMuxConnectByPort(1, 62078, &socket), unsupported);
    QCOMPARE(socket, -1);
    QCOMPARE(AMDeviceGetConnectionID(nullptr), 0u);

    QVERIFY(RefusesAndClears<AFCConnectionRef>([](AFCConnectionRef* out) { return AFCConnectionOpen(3, 0, out); }));
    QVERIFY(RefusesAndClears<AFCDictionaryRef>([](AFCDictionaryRef* out) { return AFCDeviceInfoOpen(nullptr, out); }));
    QVERIFY(RefusesAndClears<AFCDictionaryRef>([](AFCDictionaryRef* out) { return AFCFileInfoOpen(nullptr, "/", out); }));
    char* key = reinterpret_cast<char*>(&socket);
    char* value = key;
    QCOMPARE(AFCKeyValueRead(nullptr, &key, &value), unsupported);
    QVERIFY(key == nullptr && value == nullptr);
    QCOMPARE(AFCKeyValueClose(nullptr), unsupported);
    QVERIFY(RefusesAndClears<AFCDirectoryRef>([](AFCDirectoryRef* out) { return AFCDirectoryOpen(nullptr, "/", out); }));
    QVERIFY(RefusesAndClears<char*>([](char** out) { return AFCDirectoryRead(nullptr, nullptr, out); }));
    QCOMPARE(AFCDirectoryClose(nullptr, nullptr), unsupported);
    QCOMPARE(AFCDirectoryCreate(nullptr, "/a"), unsupported);
    QCOMPARE(AFCRenamePath(nullptr, "/a", "/b"), unsupported);
    QCOMPARE(AFCRemovePath(nullptr, "/a"), unsupported);
    QCOMPARE(AFCConnectionGetIOTimeout(nullptr), 0u);
    QCOMPARE(AFCConnectionSetIOTimeout(nullptr, 10), unsupported);
    AFCFileRef file = 7;
    QCOMPARE(AFCFileRefOpen(nullptr, "/a", 1, &file), unsupported);
    QCOMPARE(file, AFCFileRef(0));
    unsigned int length = 9;
    char buffer[4];
    QCOMPARE(AFCFileRefRead(nullptr, 0, buffer, &length), unsupported);
    QCOMPARE(length, 0u);
    QCOMPARE(AFCFileRefSeek(nullptr, 0, 0, 0), unsupported);
    QCOMPARE(AFCFileRefWrite(nullptr, 0, buffer, 4), unsupported);
    QCOMPARE(AFCFileRefSetFileSize(nullptr, 0, 0), unsupported);
    QCOMPARE(AFCFileRefClose(nullptr, 0), unsupported);
    QCOMPARE(AFCConnectionClose(nullptr), kAMDInvalidArgumentError);
    QCOMPARE(AFCConnectionClose(reinterpret_cast<AFCConnectionRef>(&socket)), unsupported);

    // The supported ones refuse a null device without harm.
    QCOMPARE(AMDeviceConnect(nullptr), kAMDInvalidArgumentError);
    QCOMPARE(AMDeviceDisconnect(nullptr), kAMDInvalidArgumentError);
    QCOMPARE(AMDeviceStartSession(nullptr), kAMDInvalidArgumentError);
    QCOMPARE(AMDeviceStopSession(nullptr), kAMDInvalidArgumentError);
    QVERIFY(AMDeviceCopyValue(nullptr, nullptr, name) == nullptr);
    QCOMPARE(AMDeviceGetInterfaceType(nullptr), int(kAMDInterfaceTypeUnknown));
}

void TestMobileDeviceLibrary::driverHandlerReadsFourValues()
{
    // The driver table filled from this library and the Core Foundation
    // library, the way LoadDriver fills it from the program folder.
    FakeWindowsPlatform platform;
#define CORVINA_REAL_A(name) platform.SetEntryPoint(FakeWindowsPlatform::MobileDeviceLibrary, #name, EntryPoint(&::name));
#define CORVINA_REAL_B(name) platform.SetEntryPoint(FakeWindowsPlatform::CoreFoundationLibrary, #name, EntryPoint(&::name));
    CORVINA_ENTRY_POINTS_A(CORVINA_REAL_A)
    CORVINA_ENTRY_POINTS_B(CORVINA_REAL_B)
#undef CORVINA_REAL_A
#undef CORVINA_REAL_B
    Scripted::SetDevice("handled", PhoneWithValues());
    Scripted::SetDevice("handled-wifi", PhoneWithValues());
    auto* handler = new DeviceHandlerRecorder; // called until the end of the process
    QVERIFY(CMobileDeviceDriver::LoadDriver(handler, &DeviceHandlerRecorder::Handle, platform));

    // The devices already present arrive first.
    const size_t present = g_setPresent.size();
    QCOMPARE(handler->WaitFor(present).size(), present);
    Arrive("handled-wifi", CONNECTION_NETWORK);
    const std::thread::id firingThread = Arrive("handled");
    // This thread reads the device table while the library's thread fills it.
    QList<structDeviceInfo> listDevices;
    const auto handledListed = [&listDevices]() {
        return std::any_of(listDevices.cbegin(), listDevices.cend(),
                           [](const structDeviceInfo& device) { return device.qstrDeviceID == QLatin1String("handled"); });
    };
    QTRY_VERIFY(CDeviceTable::Snapshot(listDevices) && handledListed());
    std::vector<DeviceHandlerRecorder::Event> events = handler->WaitFor(present + 2);
    QCOMPARE(events.size(), present + 2);
    QCOMPARE(events[present].iInterfaceType, 2); // not USB: not handled
    QVERIFY(!events[present].bHandled);
    QCOMPARE(events.back().iMessage, 1);
    QVERIFY(events.back().thread != std::this_thread::get_id());
    QVERIFY(events.back().thread != firingThread);
    QCOMPARE(events.back().values, QStringList({QStringLiteral("handled"), QString::fromUtf8("张三的 iPhone"),
                                                QStringLiteral("17.4.1"), QStringLiteral("iPhone14,5")}));
    QCOMPARE(Scripted::StatsOf("handled").iOpenClients, 1); // stays connected while present
    QCOMPARE(Scripted::StatsOf("handled").iOpenSessions, 0); // each read's session has ended
    QCOMPARE(Scripted::StatsOf("handled-wifi").iClientsCreated, 0);

    Depart("handled");
    events = handler->WaitFor(present + 3);
    QCOMPARE(events.size(), present + 3);
    QCOMPARE(events.back().iMessage, 2);
    QCOMPARE(OpenHandles("handled"), 0);
}

QTEST_GUILESS_MAIN(TestMobileDeviceLibrary)
#include "TestMobileDeviceLibrary.moc"
