// The program's own libCoreFoundation.so and libiTunesMobileDevice.so over the
// real libimobiledevice, against the device emulator, through the driver layer
// and the program's device table.
#include "CMobileDevice.h"
#include "CMobileDeviceDriver.h"
#include "DeviceHandlerRecorder.h"
#include "EmulatorProcess.h"

#include <QScopeGuard>
#include <QTest>

#include <algorithm>

namespace {

typedef DeviceHandlerRecorder::Event Event;

const QString kPresentUDID = QStringLiteral("00008030c0ffee0000000000000000000000d000");
const QString kOddName = QStringLiteral("Тест/iPhone: 测试*?<\"|> 📱");

// Lives as long as the process: the library calls the handler until the end.
DeviceHandlerRecorder* const g_pHandler = new DeviceHandlerRecorder;

QJsonObject Device(const QString& qstrUDID, QJsonObject jsonDevice)
{
    jsonDevice.insert(QStringLiteral("udid"), qstrUDID);
    return jsonDevice;
}

QJsonObject Failure(const char* kind, const char* key = "")
{
    return {{QStringLiteral("kind"), QLatin1String(kind)}, {QStringLiteral("key"), QLatin1String(key)}};
}

} // namespace

class TestDriverAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // Unplugs the present device as the process ends: its departure is still
    // being handled while the process's objects go away.
    void cleanupTestCase() { m_EmulatorProcess.Stop(); }
    void arrivalAndDeparture_data();
    void arrivalAndDeparture();
    void valueKindsAsText_data();
    void valueKindsAsText();

private:
    // The events that follow a control command, once there are iCount of them.
    std::vector<Event> After(const QString& qstrCommand, const QString& qstrUDID, size_t iCount);

    EmulatorProcess m_EmulatorProcess;
};

void TestDriverAgainstEmulator::initTestCase()
{
    const QJsonObject jsonValues = {{QStringLiteral("TimeZoneOffsetFromUTC"), -18000},
        {QStringLiteral("TotalBytes"), qint64(128000000000)}, {QStringLiteral("Activated"), true},
        {QStringLiteral("Brightness"), 0.5}, {QStringLiteral("Families"), QJsonArray{1, QStringLiteral("二")}},
        {QStringLiteral("Storage"),
            QJsonObject{{QStringLiteral("Zone"), -7}, {QStringLiteral("Apps"), QJsonArray{}}}}};
    const auto absent = [](const QString& qstrUDID, QJsonObject jsonDevice) {
        jsonDevice.insert(QStringLiteral("attached"), false);
        return Device(qstrUDID, jsonDevice);
    };
    const QJsonArray jsonDevices = {
        Device(kPresentUDID,
            {{QStringLiteral("name"), QStringLiteral("Present Phone")}, {QStringLiteral("values"), jsonValues}}),
        absent(QStringLiteral("usb"),
            {{QStringLiteral("name"), kOddName}, {QStringLiteral("product_version"), QStringLiteral("16.4.1")},
                {QStringLiteral("product_type"), QStringLiteral("iPhone15,3")}}),
        absent(QStringLiteral("network"), {{QStringLiteral("connection"), QStringLiteral("Network")}}),
        absent(QStringLiteral("refuses-udid"), {{QStringLiteral("fail"), Failure("refuse_udid")}}),
        absent(QStringLiteral("plain"), {{QStringLiteral("tls"), false}}),
        absent(QStringLiteral("trust-pending"), {{QStringLiteral("fail"), Failure("pair_pending")}}),
        absent(QStringLiteral("unplugs"), {{QStringLiteral("fail"), Failure("unplug_on_get_value", "DeviceName")}}),
    };
    // The emulator starts while this process has a single thread: a process
    // started after that would leave ThreadSanitizer blind.
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start(jsonDevices, strErrorMessage), qPrintable(strErrorMessage));

    // Loaded while no usbmuxd listens at the configured address: the library
    // finds the one that appears there later, without touching the search path.
    const QByteArray baAddress = qgetenv("USBMUXD_SOCKET_ADDRESS");
    qputenv("USBMUXD_SOCKET_ADDRESS", "127.0.0.1:9");
    const QByteArray baPath = qgetenv("PATH");
    const std::wstring programFolder = QStringLiteral(CORVINA_PROGRAM_DIR).toStdWString();
    QVERIFY(CMobileDeviceDriver::LoadDriver(g_pHandler, &DeviceHandlerRecorder::Handle, programFolder));
    QCOMPARE(qgetenv("PATH"), baPath);
    QTest::qWait(500); // the library's first look finds nothing
    qputenv("USBMUXD_SOCKET_ADDRESS", baAddress);

    const std::vector<Event> listEvents = g_pHandler->WaitFor(1);
    QCOMPARE(listEvents.size(), size_t(1));
    QCOMPARE(listEvents[0].values.value(0), kPresentUDID);
    QVERIFY(listEvents[0].thread != std::this_thread::get_id());
    // Present now: a second call changes nothing; had it registered this
    // empty handler, no later notification would reach the recorder.
    QVERIFY(CMobileDeviceDriver::LoadDriver(nullptr, nullptr, programFolder));
}

std::vector<Event> TestDriverAgainstEmulator::After(const QString& qstrCommand, const QString& qstrUDID, size_t iCount)
{
    const size_t before = g_pHandler->WaitFor(0).size();
    if (!m_EmulatorProcess.Command(qstrCommand, qstrUDID))
        return {};
    std::vector<Event> listEvents = g_pHandler->WaitFor(before + iCount);
    listEvents.erase(listEvents.begin(), listEvents.begin() + std::ptrdiff_t(before));
    return listEvents;
}

void TestDriverAgainstEmulator::arrivalAndDeparture_data()
{
    QTest::addColumn<QString>("udid");
    QTest::addColumn<int>("interfaceType");
    QTest::addColumn<QStringList>("values"); // empty: the table leaves the device alone
    QTest::addColumn<int>("udidRequests");
    QTest::addColumn<int>("sessions");
    QTest::addColumn<bool>("unplugsItself");
    QTest::addColumn<int>("rounds"); // a device plugged in again is read afresh

    const QString name = QStringLiteral("Emulated iPhone");
    const QString version = QStringLiteral("16.4");
    const QString type = QStringLiteral("iPhone14,2");
    QTest::newRow("USB device: four values and the disk usage, a session each")
        << QStringLiteral("usb") << 1
        << QStringList{QStringLiteral("usb"), kOddName, QStringLiteral("16.4.1"), QStringLiteral("iPhone15,3")} << 1
        << 5 << false << 2;
    QTest::newRow("network device left alone")
        << QStringLiteral("network") << 2 << QStringList() << 0 << 0 << false << 1;
    // Six asks of the identifier, each over a fresh connection and session;
    // the other values still come.
    QTest::newRow("identifier refused") << QStringLiteral("refuses-udid") << 1
                                        << QStringList{QString(), name, version, type} << 6 << 10 << false << 1;
    QTest::newRow("session kept plain") << QStringLiteral("plain") << 1
                                        << QStringList{QStringLiteral("plain"), name, version, type} << 1 << 5
                                        << false << 1;
    QTest::newRow("trust not answered yet: read without a session")
        << QStringLiteral("trust-pending") << 1 << QStringList{QStringLiteral("trust-pending"), name, version, type}
        << 1 << 0 << false << 1;
    QTest::newRow("unplugged while read")
        << QStringLiteral("unplugs") << 1 << QStringList{QStringLiteral("unplugs"), QString(), QString(), QString()}
        << 1 << 2 << true << 1;
}

void TestDriverAgainstEmulator::arrivalAndDeparture()
{
    QFETCH(QString, udid);
    QFETCH(int, interfaceType);
    QFETCH(QStringList, values);
    QFETCH(int, udidRequests);
    QFETCH(int, sessions);
    QFETCH(bool, unplugsItself);
    QFETCH(int, rounds);

    // A row that fails half-way still leaves its device unplugged for the next.
    const auto unplug = qScopeGuard([&]() {
        if (m_EmulatorProcess.DeviceStatus(udid).value(QStringLiteral("attached")).toBool())
            After(QStringLiteral("detach"), udid, 1);
    });
    for (int round = 1; round <= rounds; ++round) {
        const QJsonObject jsonBefore = m_EmulatorProcess.DeviceStatus(udid);
        const std::vector<Event> listEvents = After(QStringLiteral("attach"), udid, unplugsItself ? 2 : 1);
        QCOMPARE(listEvents.size(), size_t(unplugsItself ? 2 : 1));
        const Event& arrival = listEvents.front();
        QCOMPARE(arrival.iMessage, int(DeviceNotificationArgs::Connected));
        QCOMPARE(arrival.iInterfaceType, interfaceType);
        QCOMPARE(arrival.bHandled, !values.isEmpty());
        QCOMPARE(arrival.values, values);
        QCOMPARE(arrival.iDeviceCount, values.isEmpty() ? 0 : 2);
        const QJsonObject jsonAfter = m_EmulatorProcess.DeviceStatus(udid);
        const auto asked = [&](const char* counter) {
            return EmulatorProcess::Counter(jsonAfter, counter) - EmulatorProcess::Counter(jsonBefore, counter);
        };
        QCOMPARE(asked("udid_requests"), udidRequests);
        QCOMPARE(asked("sessions"), sessions);

        const std::vector<Event> listGone
            = unplugsItself ? std::vector<Event>{listEvents.back()} : After(QStringLiteral("detach"), udid, 1);
        QCOMPARE(listGone.size(), size_t(1));
        const Event& departure = listGone[0];
        QCOMPARE(departure.iMessage, int(DeviceNotificationArgs::Disconnected));
        QCOMPARE(departure.pAMDevice, arrival.pAMDevice);
        QCOMPARE(departure.iDeviceCount, 1);
    }
}

void TestDriverAgainstEmulator::valueKindsAsText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative integer") << QStringLiteral("TimeZoneOffsetFromUTC") << QStringLiteral("-18000");
    QTest::newRow("integer beyond 32 bits") << QStringLiteral("TotalBytes") << QStringLiteral("128000000000");
    QTest::newRow("true") << QStringLiteral("Activated") << QStringLiteral("是");
    QTest::newRow("false") << QStringLiteral("PasswordProtected") << QStringLiteral("否");
    QTest::newRow("real: no text") << QStringLiteral("Brightness") << QString();
    QTest::newRow("data: no text") << QStringLiteral("DevicePublicKey") << QString();
    QTest::newRow("missing") << QStringLiteral("NoSuchKey") << QString();
    const QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC "
                                        "\"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/"
                                        "PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n");
    const QString array = QStringLiteral("<array>\n\t<integer>1</integer>\n\t<string>二</string>\n</array>\n");
    const QString dictionary = QStringLiteral("<dict>\n\t<key>Apps</key>\n\t<array/>\n\t<key>Zone</key>\n"
                                              "\t<integer>-7</integer>\n</dict>\n");
    const QString tail = QStringLiteral("</plist>\n");
    QTest::newRow("array") << QStringLiteral("Families") << head + array + tail;
    QTest::newRow("dictionary, keys in order") << QStringLiteral("Storage") << head + dictionary + tail;
}

void TestDriverAgainstEmulator::valueKindsAsText()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QList<structDeviceInfo> listDevices;
    QVERIFY(CDeviceTable::Snapshot(listDevices));
    const auto present = std::find_if(listDevices.cbegin(), listDevices.cend(),
        [](const structDeviceInfo& info) { return info.qstrDeviceID == kPresentUDID; });
    QVERIFY(present != listDevices.cend());
    CMobileDevice device(present->pAMDevice);
    QVERIFY(device.Connect());
    QCOMPARE(device.CopyValueText(key.toUtf8().constData()), text);
    QCOMPARE(present->iDataUsedBytes, 6 * 2048); // the emulator's default backup: 6 files of 2048 bytes
    QCOMPARE(present->iWillEncrypt, 0);
}

QTEST_GUILESS_MAIN(TestDriverAgainstEmulator)
#include "TestDriverAgainstEmulator.moc"
