// The program's own libCoreFoundation.so and libiTunesMobileDevice.so over the
// real libimobiledevice, against the device emulator, through the driver layer
// and the program's device table.
#include "CMobileDeviceDriver.h"
#include "DeviceHandlerRecorder.h"
#include "EmulatorProcess.h"

#include <QTest>

namespace {

const QString kUsbUDID = QStringLiteral("00008030c0ffee0000000000000000000000d001");
const QString kNetworkUDID = QStringLiteral("00008030c0ffee0000000000000000000000d002");
const QString kRefusingUDID = QStringLiteral("00008030c0ffee0000000000000000000000d003");
const QString kPlainUDID = QStringLiteral("00008030c0ffee0000000000000000000000d004");
const QString kOddName = QStringLiteral("Тест/iPhone: 测试*?<\"|>");

// Lives as long as the process: the library calls the handler until the end.
DeviceHandlerRecorder* const g_pHandler = new DeviceHandlerRecorder;

} // namespace

class TestDriverAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_EmulatorProcess.Stop(); }
    void arrivalAndDepartureInOrder();
    void networkDeviceIsLeftAlone();
    void refusedUniqueDeviceIdIsAskedSixTimes();
    void plainSessionIsReadToo();

private:
    // Attaches or detaches the device and returns the one event that follows.
    DeviceHandlerRecorder::Event Next(const QString& qstrCommand, const QString& qstrUDID);

    EmulatorProcess m_EmulatorProcess;
};

void TestDriverAgainstEmulator::initTestCase()
{
    const auto device = [](const QString& qstrUDID, QJsonObject jsonDevice) {
        jsonDevice.insert(QStringLiteral("udid"), qstrUDID);
        return jsonDevice;
    };
    const QJsonArray jsonDevices = {
        device(kUsbUDID, {{QStringLiteral("name"), kOddName}, {QStringLiteral("product_version"), QStringLiteral("16.4.1")},
                          {QStringLiteral("product_type"), QStringLiteral("iPhone14,2")}}),
        device(kNetworkUDID, {{QStringLiteral("connection"), QStringLiteral("Network")},
                              {QStringLiteral("attached"), false}}),
        device(kRefusingUDID, {{QStringLiteral("name"), QStringLiteral("Shy Phone")}, {QStringLiteral("attached"), false},
                               {QStringLiteral("fail"), QJsonObject{{QStringLiteral("kind"), QStringLiteral("refuse_udid")}}}}),
        device(kPlainUDID, {{QStringLiteral("name"), QStringLiteral("Plain Phone")}, {QStringLiteral("attached"), false},
                            {QStringLiteral("tls"), false}}),
    };
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start(jsonDevices, strErrorMessage), qPrintable(strErrorMessage));
    QVERIFY(CMobileDeviceDriver::LoadDriver(g_pHandler, &DeviceHandlerRecorder::Handle,
                                            QStringLiteral(CORVINA_PROGRAM_DIR).toStdWString()));
}

DeviceHandlerRecorder::Event TestDriverAgainstEmulator::Next(const QString& qstrCommand, const QString& qstrUDID)
{
    const size_t before = g_pHandler->WaitFor(0).size();
    if (!m_EmulatorProcess.Command(qstrCommand, qstrUDID))
        return {};
    const std::vector<DeviceHandlerRecorder::Event> events = g_pHandler->WaitFor(before + 1);
    return events.size() == before + 1 ? events.back() : DeviceHandlerRecorder::Event();
}

void TestDriverAgainstEmulator::arrivalAndDepartureInOrder()
{
    // The device present at subscription arrives first, with its four values.
    const std::vector<DeviceHandlerRecorder::Event> first = g_pHandler->WaitFor(1);
    QCOMPARE(first.size(), size_t(1));
    const QStringList values = {kUsbUDID, kOddName, QStringLiteral("16.4.1"), QStringLiteral("iPhone14,2")};
    QCOMPARE(first[0].iMessage, int(DeviceNotificationArgs::Connected));
    QCOMPARE(first[0].iInterfaceType, 1);
    QCOMPARE(first[0].values, values);
    QCOMPARE(first[0].iDeviceCount, 1);
    QCOMPARE(g_mapDeviceInfo.value(kUsbUDID).qstrDeviceName, kOddName);
    QCOMPARE(m_EmulatorProcess.Counter(kUsbUDID, "udid_requests"), 1);

    const DeviceHandlerRecorder::Event departure = Next(QStringLiteral("detach"), kUsbUDID);
    QCOMPARE(departure.iMessage, int(DeviceNotificationArgs::Disconnected));
    QCOMPARE(departure.pAMDevice, first[0].pAMDevice);
    QCOMPARE(departure.iDeviceCount, 0);
    QVERIFY(g_mapDeviceInfo.isEmpty());
    // The replugged device is read afresh through a new connection.
    const DeviceHandlerRecorder::Event again = Next(QStringLiteral("attach"), kUsbUDID);
    QCOMPARE(again.iMessage, int(DeviceNotificationArgs::Connected));
    QCOMPARE(again.values, values);
    QCOMPARE(g_pHandler->WaitFor(0).size(), size_t(3));
}

void TestDriverAgainstEmulator::networkDeviceIsLeftAlone()
{
    const DeviceHandlerRecorder::Event arrival = Next(QStringLiteral("attach"), kNetworkUDID);
    QCOMPARE(arrival.iMessage, int(DeviceNotificationArgs::Connected));
    QCOMPARE(arrival.iInterfaceType, 2);
    QVERIFY(!arrival.bHandled);
    QCOMPARE(arrival.iDeviceCount, 0);
    QCOMPARE(m_EmulatorProcess.Counter(kNetworkUDID, "sessions"), 0);
    const DeviceHandlerRecorder::Event departure = Next(QStringLiteral("detach"), kNetworkUDID);
    QCOMPARE(departure.iMessage, int(DeviceNotificationArgs::Disconnected));
    QCOMPARE(departure.iInterfaceType, 2);
}

void TestDriverAgainstEmulator::refusedUniqueDeviceIdIsAskedSixTimes()
{
    const DeviceHandlerRecorder::Event arrival = Next(QStringLiteral("attach"), kRefusingUDID);
    QCOMPARE(arrival.iMessage, int(DeviceNotificationArgs::Connected));
    // The handler goes on after an empty identifier; the other values come.
    QCOMPARE(arrival.values.mid(0, 3), QStringList({QString(), QStringLiteral("Shy Phone"), QStringLiteral("16.4")}));
    QCOMPARE(m_EmulatorProcess.Counter(kRefusingUDID, "udid_requests"), 6);
}

void TestDriverAgainstEmulator::plainSessionIsReadToo()
{
    // The other devices run their sessions over TLS, as phones do; this one
    // keeps the session plain, which the library follows as well.
    const DeviceHandlerRecorder::Event arrival = Next(QStringLiteral("attach"), kPlainUDID);
    QCOMPARE(arrival.iMessage, int(DeviceNotificationArgs::Connected));
    QCOMPARE(arrival.values.mid(0, 2), QStringList({kPlainUDID, QStringLiteral("Plain Phone")}));
    QVERIFY(m_EmulatorProcess.Counter(kPlainUDID, "sessions") > 0);
}

QTEST_GUILESS_MAIN(TestDriverAgainstEmulator)
#include "TestDriverAgainstEmulator.moc"
