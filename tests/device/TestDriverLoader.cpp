// CMobileDeviceDriver::LoadDriver on a fake Windows, against libraries that
// lack one name each, and with the program's own libraries and no usbmuxd.
#include "CMobileDeviceDriver.h"
#include "DriverPlatform.h"
#include "FakeWindowsPlatform.h"
#include "RecordingDriverPlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace {

const std::wstring kDeviceSupportKey = L"SOFTWARE\\Apple Inc.\\Apple Mobile Device Support\\Shared";
const std::wstring kApplicationSupportKey = L"SOFTWARE\\Apple Inc.\\Apple Application Support";
const QString kX86Apple = QStringLiteral("C:\\Program Files (x86)\\Common Files\\Apple\\");
const QString kApple = QStringLiteral("C:\\Program Files\\Common Files\\Apple\\");
const QString kDeviceDll = QStringLiteral("Mobile Device Support\\iTunesMobileDevice.dll");
const QString kApplicationDll = QStringLiteral("Apple Application Support\\CoreFoundation.dll");

const std::wstring kCoreFoundation = L"C:\\Corvina\\CoreFoundation.dll";
const std::wstring kMobileDevice = L"C:\\Corvina\\iTunesMobileDevice.dll";
const wchar_t* const kSupportLibraries[] = {
    L"ASL.dll",     L"pthreadVC2.dll", L"objc.dll",     L"zlib1.dll",   L"libdispatch.dll",
    L"icudt46.dll", L"libicuuc.dll",   L"libicuin.dll", L"libxml2.dll", L"SQLite3.dll",
};

struct Notification
{
    void* pAMDevice;
    int iMessage;
    void* pContext;
};

std::vector<Notification> g_vecNotifications;
int g_iSubscribeCalls = 0;
mach_error_t g_iSubscribeResult = 0;
bool g_bTableCompleteAtSubscribe = false;
bool g_bSubscribeArgumentsAsExpected = false;
char g_cDevice = 0;
char g_cSubscription = 0;
char g_cContext = 0;

void CORVINA_DRIVER_CALL Unused() {}

bool TableComplete()
{
    const MobileDeviceEntryPoints& table = CMobileDeviceDriver::EntryPoints();
    bool complete = true;
#define CORVINA_CHECK_SLOT(name) complete = complete && table.name != nullptr;
    CORVINA_ENTRY_POINTS_A(CORVINA_CHECK_SLOT)
    CORVINA_ENTRY_POINTS_B(CORVINA_CHECK_SLOT)
#undef CORVINA_CHECK_SLOT
    return complete;
}

// Stands for AMDeviceNotificationSubscribe: checks what the loader prepared and
// delivers three records at once, as a library may.
mach_error_t CORVINA_DRIVER_CALL FakeSubscribe(AMDeviceNotificationCallback callback, unsigned int unused0,
                                               unsigned int unused1, void* context,
                                               AMDeviceNotificationRef* notification)
{
    ++g_iSubscribeCalls;
    g_bTableCompleteAtSubscribe = TableComplete();
    g_bSubscribeArgumentsAsExpected = unused0 == 0 && unused1 == 0 && context == nullptr && notification != nullptr;
    if (notification != nullptr)
        *notification = reinterpret_cast<AMDeviceNotificationRef>(&g_cSubscription);
    for (unsigned int message : {1u, 2u, 7u}) {
        AMDeviceNotificationCallbackInfo info{reinterpret_cast<AMDeviceRef>(&g_cDevice), message,
                                              reinterpret_cast<AMDeviceNotificationRef>(&g_cSubscription)};
        callback(&info, nullptr);
    }
    return g_iSubscribeResult;
}

void RecordNotification(DeviceNotificationArgs* pArgs, void* pContext)
{
    g_vecNotifications.push_back(Notification{pArgs->pAMDevice, pArgs->iMessage, pContext});
}

std::wstring W(const QString& text)
{
    return text.toStdWString();
}

void PrepareWindows(FakeWindowsPlatform& platform)
{
    platform.ProvideAllEntryPoints(reinterpret_cast<DriverPlatform::EntryPoint>(&Unused));
    platform.SetEntryPoint(FakeWindowsPlatform::MobileDeviceLibrary, "AMDeviceNotificationSubscribe",
                           reinterpret_cast<DriverPlatform::EntryPoint>(&FakeSubscribe));
}

// The load attempts: first, then the ten support libraries when asked, then last.
QStringList Attempts(std::initializer_list<std::wstring> first, bool withSupport,
                     std::initializer_list<std::wstring> last)
{
    QStringList paths;
    for (const std::wstring& path : first)
        paths << QString::fromStdWString(path);
    for (const wchar_t* library : kSupportLibraries) {
        if (withSupport)
            paths << QStringLiteral("C:\\Corvina\\") + QString::fromWCharArray(library);
    }
    for (const std::wstring& path : last)
        paths << QString::fromStdWString(path);
    return paths;
}

QStringList Attempts(const std::vector<std::wstring>& paths)
{
    QStringList names;
    for (const std::wstring& path : paths)
        names << QString::fromStdWString(path);
    return names;
}

const char* const kEntryPointNames[] = {
#define CORVINA_NAME(name) #name,
    CORVINA_ENTRY_POINTS_A(CORVINA_NAME) CORVINA_ENTRY_POINTS_B(CORVINA_NAME)
#undef CORVINA_NAME
};
const int kTableASize = 41;
const int kEntryPointCount = 86;

QString StubFolder(const QString& name)
{
    return QStringLiteral(CORVINA_TEST_BINARY_DIR "/stubs/") + name;
}

} // namespace

class TestDriverLoader : public QObject
{
    Q_OBJECT

private slots:
    void searchPath_data();
    void searchPath();
    void libraryLoadOrder_data();
    void libraryLoadOrder();
    void handlerRegisteredBeforeSubscription();
    void everyEntryPointIsRequired();
    void programLibrariesLoadWithoutUsbmuxd();
};

void TestDriverLoader::searchPath_data()
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
        << QStringList{kX86Apple + kDeviceDll, kApple + kDeviceDll, kX86Apple + kApplicationDll, kApple + kApplicationDll}
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

void TestDriverLoader::searchPath()
{
    QFETCH(QString, deviceSupportValue);
    QFETCH(QString, applicationSupportValue);
    QFETCH(QStringList, files);
    QFETCH(QString, windowsFolder);
    QFETCH(QString, oldPath);
    QFETCH(QString, expectedPath);

    FakeWindowsPlatform platform;
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

    g_iSubscribeCalls = 0;
    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    // A second call finds both loaded and leaves everything alone.
    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    QCOMPARE(platform.m_iEnvironmentWrites, 1);
    QCOMPARE(g_iSubscribeCalls, 1);
    QCOMPARE(QString::fromStdWString(platform.m_mapEnvironment[L"PATH"]), expectedPath);
    // Whatever the search path says, the two come from the program folder.
    QCOMPARE(Attempts(platform.m_vecLoadAttempts), Attempts({kCoreFoundation, kMobileDevice}, false, {}));
}

void TestDriverLoader::libraryLoadOrder_data()
{
    QTest::addColumn<int>("coreFoundationFailures"); // loads of CoreFoundation.dll that fail first
    QTest::addColumn<int>("mobileDeviceFailures");
    QTest::addColumn<QStringList>("expectedAttempts");
    QTest::addColumn<bool>("expectedResult");

    QTest::newRow("both load at once") << 0 << 0 << Attempts({kCoreFoundation, kMobileDevice}, false, {})
                                       << true;
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

void TestDriverLoader::libraryLoadOrder()
{
    QFETCH(int, coreFoundationFailures);
    QFETCH(int, mobileDeviceFailures);
    QFETCH(QStringList, expectedAttempts);
    QFETCH(bool, expectedResult);

    FakeWindowsPlatform platform;
    PrepareWindows(platform);
    // Apple's software is installed, yet only the program folder counts.
    platform.m_mapRegistry[{kDeviceSupportKey, L"iTunesMobileDeviceDLL"}] = W(kApple + kDeviceDll);
    platform.m_setFiles.insert(W(kX86Apple + kApplicationDll));
    platform.FailLoads(kCoreFoundation, coreFoundationFailures);
    platform.FailLoads(kMobileDevice, mobileDeviceFailures);
    // A missing support library does not stop the others.
    platform.m_setMissingLibraries.insert(L"C:\\Corvina\\objc.dll");

    QCOMPARE(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform), expectedResult);
    QCOMPARE(Attempts(platform.m_vecLoadAttempts), expectedAttempts);
}

void TestDriverLoader::handlerRegisteredBeforeSubscription()
{
    FakeWindowsPlatform platform;
    PrepareWindows(platform);
    g_vecNotifications.clear();
    g_iSubscribeCalls = 0;
    g_bTableCompleteAtSubscribe = false;

    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    QCOMPARE(g_iSubscribeCalls, 1);
    QVERIFY(g_bTableCompleteAtSubscribe);
    QVERIFY(g_bSubscribeArgumentsAsExpected);
    // Every record reaches the handler as it came, with the context; judging
    // the message is the handler's business.
    QCOMPARE(g_vecNotifications.size(), size_t(3));
    const int messages[] = {1, 2, 7};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(g_vecNotifications[i].pAMDevice, static_cast<void*>(&g_cDevice));
        QCOMPARE(g_vecNotifications[i].iMessage, messages[i]);
        QCOMPARE(g_vecNotifications[i].pContext, static_cast<void*>(&g_cContext));
    }

    // A subscription the library refuses fails the load.
    FakeWindowsPlatform refusing;
    PrepareWindows(refusing);
    g_iSubscribeResult = static_cast<mach_error_t>(0xE8000001);
    const bool loaded = CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, refusing);
    g_iSubscribeResult = 0;
    QVERIFY(!loaded);
}

void TestDriverLoader::everyEntryPointIsRequired()
{
    // The libraries with nothing missing load, and subscribe. (Done first:
    // afterwards both are present in the process.)
    RecordingDriverPlatform complete(DriverPlatform::Create(W(StubFolder(QStringLiteral("complete")))));
    complete.Replace("AMDeviceNotificationSubscribe", reinterpret_cast<DriverPlatform::EntryPoint>(&FakeSubscribe));
    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, complete));
    QCOMPARE(int(complete.m_vecLookUps.size()), kEntryPointCount);

    // Each folder has one library that lacks one name, beside a complete one.
    for (int index = 0; index < kEntryPointCount; ++index) {
        const QString name = QString::fromLatin1(kEntryPointNames[index]);
        const QString folder = StubFolder(name);
        QVERIFY2(QFileInfo::exists(folder), qPrintable(folder));
        RecordingDriverPlatform platform(DriverPlatform::Create(W(folder)));

        QVERIFY2(!CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform), qPrintable(name));

        // Resolution went through the tables in order and stopped at this name.
        const std::vector<RecordingDriverPlatform::LookUp>& lookUps = platform.m_vecLookUps;
        QCOMPARE(int(lookUps.size()), index + 1);
        void* mobileDevice = platform.m_mapLoaded[W(folder + QStringLiteral("/libiTunesMobileDevice.so"))];
        void* coreFoundation = platform.m_mapLoaded[W(folder + QStringLiteral("/libCoreFoundation.so"))];
        QVERIFY(mobileDevice != nullptr && coreFoundation != nullptr);
        for (int i = 0; i <= index; ++i) {
            QCOMPARE(QString::fromStdString(lookUps[i].name), QString::fromLatin1(kEntryPointNames[i]));
            QCOMPARE(lookUps[i].found, i < index);
            QVERIFY(lookUps[i].library == (i < kTableASize ? mobileDevice : coreFoundation));
        }
    }

    // No library, or only one of the two, in the program folder.
    QTemporaryDir empty;
    RecordingDriverPlatform none(DriverPlatform::Create(W(empty.path())));
    QVERIFY(!CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, none));
    QVERIFY(QFile::link(StubFolder(QStringLiteral("complete/libCoreFoundation.so")),
                        empty.filePath(QStringLiteral("libCoreFoundation.so"))));
    RecordingDriverPlatform half(DriverPlatform::Create(W(empty.path())));
    QVERIFY(!CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, half));
    QCOMPARE(half.m_mapLoaded.size(), size_t(1));
    QVERIFY(half.m_vecLookUps.empty());
}

void TestDriverLoader::programLibrariesLoadWithoutUsbmuxd()
{
    // The libraries of the program folder, on this system, with nothing
    // listening where libusbmuxd looks: the subscription waits in the
    // background and the search path stays as it was.
    const QByteArray pathBefore = qgetenv("PATH");
    RecordingDriverPlatform platform(DriverPlatform::Create(W(QStringLiteral(CORVINA_PROGRAM_DIR))));
    QVERIFY(!platform.HasSupportSoftware());

    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, platform));
    QCOMPARE(int(platform.m_vecLookUps.size()), kEntryPointCount);
    QCOMPARE(platform.m_mapLoaded.size(), size_t(2));
    QCOMPARE(platform.m_iEnvironmentWrites, 0);
    QCOMPARE(qgetenv("PATH"), pathBefore);
    QCOMPARE(CMobileDeviceDriver::GetInterfaceType(nullptr), 0);

    // Present now: a second call does nothing at all.
    RecordingDriverPlatform again(DriverPlatform::Create(W(QStringLiteral(CORVINA_PROGRAM_DIR))));
    QVERIFY(CMobileDeviceDriver::LoadDriver(&g_cContext, &RecordNotification, again));
    QVERIFY(again.m_mapLoaded.empty());
    QVERIFY(again.m_vecLookUps.empty());
}

QTEST_GUILESS_MAIN(TestDriverLoader)
#include "TestDriverLoader.moc"
