// The driver layer with the program's own libCoreFoundation.so and
// libiTunesMobileDevice.so, over the real libimobiledevice and libusbmuxd,
// against the device emulator: arrivals and departures reach the handler in
// order, the four values arrive, a network device reports interface type 2
// and is left alone, and a device that never gives its UDID is asked six
// times. The handler does what the main window's handler does with a device.
#include "AppGlobals.h"
#include "CMobileDevice.h"
#include "CMobileDeviceDriver.h"
#include "DeviceNotificationArgs.h"
#include "EmulatorProcess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

const QString kUsbUDID = QStringLiteral("00008030c0ffee0000000000000000000000d001");
const QString kNetworkUDID = QStringLiteral("00008030c0ffee0000000000000000000000d002");
const QString kRefusingUDID = QStringLiteral("00008030c0ffee0000000000000000000000d003");
const QString kOddName = QStringLiteral("Тест/iPhone: 测试*?<\"|>");
const int kEventTimeoutMs = 15000;

struct HandledEvent
{
    void* pAMDevice = nullptr;
    int iMessage = 0;
    int iInterfaceType = 0;
    bool bConnected = false;
    QString qstrDeviceID;
    QString qstrDeviceName;
    QString qstrDeviceVersion;
    QString qstrDeviceType;
};

// What the handler saw, in order. It lives as long as the process: the
// library calls the handler on its own thread until the very end.
struct HandlerRecord
{
    std::mutex mutex;
    std::vector<HandledEvent> events;
    std::map<void*, std::unique_ptr<CMobileDevice>> devices;
};

HandlerRecord* const g_pRecord = new HandlerRecord;

// The main window's sequence: USB devices only; connect, then the UDID with
// five retries, the name, the version and the type; disconnect on departure.
void HandleNotification(DeviceNotificationArgs* pArgs, void* pContext)
{
    auto* record = static_cast<HandlerRecord*>(pContext);
    HandledEvent event;
    event.pAMDevice = pArgs->pAMDevice;
    event.iMessage = pArgs->iMessage;
    event.iInterfaceType = CMobileDeviceDriver::GetInterfaceType(pArgs->pAMDevice);
    if (pArgs->iMessage == DeviceNotificationArgs::Connected && event.iInterfaceType == 1) {
        auto device = std::make_unique<CMobileDevice>(pArgs->pAMDevice);
        event.bConnected = device->Connect();
        if (event.bConnected) {
            event.qstrDeviceID = device->GetUniqueDeviceID(5);
            event.qstrDeviceName = device->GetDeviceName();
            event.qstrDeviceVersion = device->GetProductVersion();
            event.qstrDeviceType = device->GetProductType();
        }
        const std::lock_guard<std::mutex> lock(record->mutex);
        record->devices[pArgs->pAMDevice] = std::move(device);
    } else if (pArgs->iMessage == DeviceNotificationArgs::Disconnected) {
        const std::lock_guard<std::mutex> lock(record->mutex);
        const auto found = record->devices.find(pArgs->pAMDevice);
        if (found != record->devices.end())
            found->second->Disconnect();
    }
    const std::lock_guard<std::mutex> lock(record->mutex);
    record->events.push_back(event);
}

std::vector<HandledEvent> Events()
{
    const std::lock_guard<std::mutex> lock(g_pRecord->mutex);
    return g_pRecord->events;
}

size_t EventCount()
{
    return Events().size();
}

QJsonObject Device(const QString& qstrUDID, const QJsonObject& jsonSettings)
{
    QJsonObject jsonDevice = jsonSettings;
    jsonDevice.insert(QStringLiteral("udid"), qstrUDID);
    return jsonDevice;
}

QJsonObject Request(const QString& qstrCommand, const QString& qstrUDID)
{
    return QJsonObject{{QStringLiteral("cmd"), qstrCommand}, {QStringLiteral("udid"), qstrUDID}};
}

int Counter(const QJsonObject& jsonStatus, const char* name)
{
    return jsonStatus.value(QStringLiteral("counters")).toObject().value(QLatin1String(name)).toInt(-1);
}

} // namespace

class TestDriverAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void arrivalAndDepartureInOrder();
    void networkDeviceIsLeftAlone();
    void refusedUniqueDeviceIdIsAskedSixTimes();

private:
    EmulatorProcess m_EmulatorProcess;
};

void TestDriverAgainstEmulator::initTestCase()
{
    const QJsonArray jsonDevices = {
        Device(kUsbUDID, {{QStringLiteral("name"), kOddName}, {QStringLiteral("product_version"), QStringLiteral("16.4.1")},
                          {QStringLiteral("product_type"), QStringLiteral("iPhone14,2")}}),
        Device(kNetworkUDID, {{QStringLiteral("connection"), QStringLiteral("Network")},
                              {QStringLiteral("attached"), false}}),
        Device(kRefusingUDID, {{QStringLiteral("name"), QStringLiteral("Shy Phone")},
                               {QStringLiteral("attached"), false},
                               {QStringLiteral("fail"), QJsonObject{{QStringLiteral("kind"),
                                                                     QStringLiteral("refuse_udid")}}}}),
    };
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start(jsonDevices, strErrorMessage), qPrintable(strErrorMessage));
    // The libraries come from the program folder, as in the installed program.
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    QVERIFY(CMobileDeviceDriver::LoadDriver(g_pRecord, &HandleNotification));
}

void TestDriverAgainstEmulator::cleanupTestCase()
{
    m_EmulatorProcess.Stop();
}

void TestDriverAgainstEmulator::arrivalAndDepartureInOrder()
{
    // The device present at subscription arrives first, with its four values.
    QTRY_VERIFY_WITH_TIMEOUT(EventCount() >= 1, kEventTimeoutMs);
    const HandledEvent arrival = Events().front();
    QCOMPARE(arrival.iMessage, int(DeviceNotificationArgs::Connected));
    QCOMPARE(arrival.iInterfaceType, 1);
    QVERIFY(arrival.bConnected);
    QCOMPARE(arrival.qstrDeviceID, kUsbUDID);
    QCOMPARE(arrival.qstrDeviceName, kOddName);
    QCOMPARE(arrival.qstrDeviceVersion, QStringLiteral("16.4.1"));
    QCOMPARE(arrival.qstrDeviceType, QStringLiteral("iPhone14,2"));
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kUsbUDID), "udid_requests"), 1);

    QVERIFY(m_EmulatorProcess.Control(Request(QStringLiteral("detach"), kUsbUDID)));
    QTRY_VERIFY_WITH_TIMEOUT(EventCount() >= 2, kEventTimeoutMs);
    QVERIFY(m_EmulatorProcess.Control(Request(QStringLiteral("attach"), kUsbUDID)));
    QTRY_VERIFY_WITH_TIMEOUT(EventCount() >= 3, kEventTimeoutMs);

    const std::vector<HandledEvent> events = Events();
    QCOMPARE(events.size(), size_t(3));
    QCOMPARE(events[1].iMessage, int(DeviceNotificationArgs::Disconnected));
    QCOMPARE(events[1].pAMDevice, arrival.pAMDevice);
    QCOMPARE(events[2].iMessage, int(DeviceNotificationArgs::Connected));
    // The replugged device is read afresh through a new connection.
    QVERIFY(events[2].bConnected);
    QCOMPARE(events[2].qstrDeviceID, kUsbUDID);
    QCOMPARE(events[2].qstrDeviceName, kOddName);
}

void TestDriverAgainstEmulator::networkDeviceIsLeftAlone()
{
    const size_t before = EventCount();
    QVERIFY(m_EmulatorProcess.Control(Request(QStringLiteral("attach"), kNetworkUDID)));
    QTRY_VERIFY_WITH_TIMEOUT(EventCount() > before, kEventTimeoutMs);
    const HandledEvent event = Events()[before];
    QCOMPARE(event.iMessage, int(DeviceNotificationArgs::Connected));
    QCOMPARE(event.iInterfaceType, 2);
    QVERIFY(!event.bConnected);
    QVERIFY(event.qstrDeviceID.isEmpty());
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kNetworkUDID), "sessions"), 0);

    QVERIFY(m_EmulatorProcess.Control(Request(QStringLiteral("detach"), kNetworkUDID)));
    QTRY_VERIFY_WITH_TIMEOUT(EventCount() > before + 1, kEventTimeoutMs);
    QCOMPARE(Events()[before + 1].iMessage, int(DeviceNotificationArgs::Disconnected));
    QCOMPARE(Events()[before + 1].iInterfaceType, 2);
}

void TestDriverAgainstEmulator::refusedUniqueDeviceIdIsAskedSixTimes()
{
    const size_t before = EventCount();
    QVERIFY(m_EmulatorProcess.Control(Request(QStringLiteral("attach"), kRefusingUDID)));
    QTRY_VERIFY_WITH_TIMEOUT(EventCount() > before, kEventTimeoutMs);
    const HandledEvent event = Events()[before];
    QCOMPARE(event.iMessage, int(DeviceNotificationArgs::Connected));
    QVERIFY(event.bConnected);
    QVERIFY(event.qstrDeviceID.isEmpty());
    // The handler goes on after an empty identifier; the other values come.
    QCOMPARE(event.qstrDeviceName, QStringLiteral("Shy Phone"));
    QCOMPARE(event.qstrDeviceVersion, QStringLiteral("16.4"));
    QCOMPARE(Counter(m_EmulatorProcess.DeviceStatus(kRefusingUDID), "udid_requests"), 6);
}

QTEST_GUILESS_MAIN(TestDriverAgainstEmulator)
#include "TestDriverAgainstEmulator.moc"
