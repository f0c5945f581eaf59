// CFValueToText through the program's own Core Foundation library, loaded
// the way the program loads it, for every kind of value.
#include "AppGlobals.h"
#include "CFValueToText.h"
#include "CMobileDeviceDriver.h"

#include <QTest>

#include <cstdint>
#include <cstring>
#include <limits>

Q_DECLARE_METATYPE(CFNumberType)

namespace {

const MobileDeviceEntryPoints& CF()
{
    return CMobileDeviceDriver::EntryPoints();
}

// The value of a property-list text; the caller releases it.
CFPropertyListRef FromXml(const char* xml)
{
    const CFDataRef data = CF().CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml),
                                             static_cast<CFIndex>(std::strlen(xml)));
    const CFPropertyListRef value = CF().CFPropertyListCreateFromXMLData(nullptr, data, 0, nullptr);
    CF().CFRelease(data);
    return value;
}

QString TextOfXml(const char* xml)
{
    const CFPropertyListRef value = FromXml(xml);
    const QString text = CFValueToText(value);
    CF().CFRelease(value);
    return text;
}

QString TextOfString(const char* bytes, CFStringEncoding encoding)
{
    const CFStringRef string = CF().CFStringCreateWithCString(nullptr, bytes, encoding);
    const QString text = CFValueToText(string);
    CF().CFRelease(string);
    return text;
}

const char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                        "<plist version=\"1.0\">\n";

} // namespace

class TestCFValueToText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void strings();
    void numbers_data();
    void numbers();
    void booleans();
    void arraysAndDictionaries();
    void otherKinds();
};

void TestCFValueToText::initTestCase()
{
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    QVERIFY(CMobileDeviceDriver::LoadDriver(nullptr, nullptr));
}

void TestCFValueToText::strings()
{
    // Pure ASCII has no character pointer and is copied out; other text is
    // read in place. Both must give the same characters.
    const CFStringRef ascii = CF().CFStringCreateWithCString(nullptr, "iPhone", kCFStringEncodingUTF8);
    QVERIFY(CF().CFStringGetCharactersPtr(ascii) == nullptr);
    QCOMPARE(CFValueToText(ascii), QStringLiteral("iPhone"));
    CF().CFRelease(ascii);

    QCOMPARE(TextOfString("\xE5\xBC\xA0\xE4\xB8\x89\xE7\x9A\x84 iPhone", kCFStringEncodingUTF8),
             QString::fromUtf8("张三的 iPhone"));
    QCOMPARE(TextOfString("\xF0\x9F\x93\xB1 Phone", kCFStringEncodingUTF8), QString::fromUtf8("📱 Phone"));
    QCOMPARE(TextOfString("Caf\xE9", kCFStringEncodingISOLatin1), QString::fromUtf8("Café"));
    QCOMPARE(TextOfString("", kCFStringEncodingUTF8), QString());
    QCOMPARE(CFValueToText(CF().__CFStringMakeConstantString("iPhone15,2")), QStringLiteral("iPhone15,2"));
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><string>J\xC3\xBCrgen's iPad</string></plist>"),
             QString::fromUtf8("Jürgen's iPad"));
}

void TestCFValueToText::numbers_data()
{
    QTest::addColumn<CFNumberType>("type");
    QTest::addColumn<QByteArray>("value"); // the bytes CFNumberCreate reads
    QTest::addColumn<QString>("expected");

    auto bytes = [](auto value) { return QByteArray(reinterpret_cast<const char*>(&value), sizeof value); };
    QTest::newRow("SInt8 negative") << CFNumberType(kCFNumberSInt8Type) << bytes(std::int8_t(-5)) << QStringLiteral("-5");
    QTest::newRow("SInt8 largest") << CFNumberType(kCFNumberSInt8Type) << bytes(std::int8_t(127)) << QStringLiteral("127");
    QTest::newRow("char") << CFNumberType(kCFNumberCharType) << bytes(std::int8_t(-128)) << QStringLiteral("-128");
    QTest::newRow("SInt16 negative") << CFNumberType(kCFNumberSInt16Type) << bytes(std::int16_t(-300)) << QStringLiteral("-300");
    QTest::newRow("short") << CFNumberType(kCFNumberShortType) << bytes(std::int16_t(32767)) << QStringLiteral("32767");
    QTest::newRow("SInt32 negative") << CFNumberType(kCFNumberSInt32Type) << bytes(std::int32_t(-70000))
                                     << QStringLiteral("-70000");
    QTest::newRow("int") << CFNumberType(kCFNumberIntType) << bytes(std::numeric_limits<std::int32_t>::min())
                         << QStringLiteral("-2147483648");
    QTest::newRow("SInt64 negative") << CFNumberType(kCFNumberSInt64Type) << bytes(std::int64_t(-5000000000))
                                     << QStringLiteral("-5000000000");
    QTest::newRow("SInt64 smallest") << CFNumberType(kCFNumberSInt64Type)
                                     << bytes(std::numeric_limits<std::int64_t>::min()) << QStringLiteral("-9223372036854775808");
    QTest::newRow("long long") << CFNumberType(kCFNumberLongLongType) << bytes(std::int64_t(1) << 40)
                               << QStringLiteral("1099511627776");
    QTest::newRow("CFIndex") << CFNumberType(kCFNumberCFIndexType) << bytes(CFIndex(12345)) << QStringLiteral("12345");
    QTest::newRow("zero") << CFNumberType(kCFNumberSInt32Type) << bytes(std::int32_t(0)) << QStringLiteral("0");
    QTest::newRow("Float32") << CFNumberType(kCFNumberFloat32Type) << bytes(1.5f) << QStringLiteral("");
    QTest::newRow("Float64") << CFNumberType(kCFNumberFloat64Type) << bytes(-2.25) << QStringLiteral("");
    QTest::newRow("double") << CFNumberType(kCFNumberDoubleType) << bytes(3.0) << QStringLiteral("");
}

void TestCFValueToText::numbers()
{
    QFETCH(CFNumberType, type);
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);

    const CFNumberRef number = CF().CFNumberCreate(nullptr, type, value.constData());
    QVERIFY(number != nullptr);
    QCOMPARE(CFValueToText(number), expected);
    CF().CFRelease(number);

    // Integers from a device arrive as property-list integers.
    if (!expected.isEmpty()) {
        const QByteArray xml = "<plist version=\"1.0\"><integer>" + expected.toLatin1() + "</integer></plist>";
        QCOMPARE(TextOfXml(xml.constData()), expected);
    }
}

void TestCFValueToText::booleans()
{
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><true/></plist>"), QString(QChar(0x662F)));
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><false/></plist>"), QString(QChar(0x5426)));
}

void TestCFValueToText::arraysAndDictionaries()
{
    const CFStringRef name = CF().CFStringCreateWithCString(nullptr, "\xE5\xBC\xA0\xE4\xB8\x89", kCFStringEncodingUTF8);
    const std::int32_t seven = -7;
    const CFNumberRef number = CF().CFNumberCreate(nullptr, kCFNumberSInt32Type, &seven);
    const void* items[] = {name, number};
    const CFArrayRef array = CF().CFArrayCreate(nullptr, items, 2, nullptr);
    QCOMPARE(CFValueToText(array), QString::fromUtf8(kXmlHead)
                                       + QString::fromUtf8("<array>\n\t<string>张三</string>\n"
                                                           "\t<integer>-7</integer>\n</array>\n</plist>\n"));

    // Keys come out in order whatever order they went in.
    const void* keys[] = {CF().__CFStringMakeConstantString("Zone"), CF().__CFStringMakeConstantString("Apps")};
    const void* values[] = {number, array};
    const CFDictionaryRef dictionary = CF().CFDictionaryCreate(nullptr, keys, values, 2, nullptr, nullptr);
    QCOMPARE(CFValueToText(dictionary),
             QString::fromUtf8(kXmlHead)
                 + QString::fromUtf8("<dict>\n\t<key>Apps</key>\n\t<array>\n\t\t<string>张三</string>\n"
                                     "\t\t<integer>-7</integer>\n\t</array>\n\t<key>Zone</key>\n"
                                     "\t<integer>-7</integer>\n</dict>\n</plist>\n"));

    const CFArrayRef empty = CF().CFArrayCreate(nullptr, nullptr, 0, nullptr);
    QVERIFY(CFValueToText(empty).contains(QStringLiteral("<array/>")));

    for (CFTypeRef object : {CFTypeRef(name), CFTypeRef(number), CFTypeRef(array), CFTypeRef(dictionary),
                             CFTypeRef(empty)})
        CF().CFRelease(object);
}

void TestCFValueToText::otherKinds()
{
    QCOMPARE(CFValueToText(nullptr), QString());
    const UInt8 bytes[] = {1, 2, 3};
    const CFDataRef data = CF().CFDataCreate(nullptr, bytes, 3);
    QCOMPARE(CFValueToText(data), QString());
    CF().CFRelease(data);
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><date>2024-05-01T10:00:00Z</date></plist>"), QString());
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><real>2.5</real></plist>"), QString());
}

QTEST_GUILESS_MAIN(TestCFValueToText)
#include "TestCFValueToText.moc"
