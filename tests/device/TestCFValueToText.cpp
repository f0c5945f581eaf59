// CFValueToText through the program's own Core Foundation library, loaded
// the way the program loads it, for every kind of value.
#include "CFValueToText.h"
#include "CMobileDeviceDriver.h"

#include <QTest>

#include <cstdint>
#include <cstring>
#include <limits>

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
    void numbers();
    void propertyListValues();
    void arraysAndDictionaries();
};

void TestCFValueToText::initTestCase()
{
    QVERIFY(CMobileDeviceDriver::LoadDriver(nullptr, nullptr, QStringLiteral(CORVINA_PROGRAM_DIR).toStdWString()));
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
}

void TestCFValueToText::numbers()
{
    // Signed integers of every width as text; reals are not shown.
    auto bytes = [](auto value) { return QByteArray(reinterpret_cast<const char*>(&value), sizeof value); };
    const struct
    {
        CFNumberType type;
        QByteArray value; // the bytes CFNumberCreate reads
        const char* expected;
    } cases[] = {
        {kCFNumberSInt8Type, bytes(std::int8_t(-5)), "-5"},
        {kCFNumberSInt8Type, bytes(std::int8_t(127)), "127"},
        {kCFNumberCharType, bytes(std::int8_t(-128)), "-128"},
        {kCFNumberSInt16Type, bytes(std::int16_t(-300)), "-300"},
        {kCFNumberShortType, bytes(std::int16_t(32767)), "32767"},
        {kCFNumberSInt32Type, bytes(std::int32_t(-70000)), "-70000"},
        {kCFNumberIntType, bytes(std::numeric_limits<std::int32_t>::min()), "-2147483648"},
        {kCFNumberSInt64Type, bytes(std::int64_t(-5000000000)), "-5000000000"},
        {kCFNumberSInt64Type, bytes(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {kCFNumberLongLongType, bytes(std::int64_t(1) << 40), "1099511627776"},
        {kCFNumberCFIndexType, bytes(CFIndex(12345)), "12345"},
        {kCFNumberSInt32Type, bytes(std::int32_t(0)), "0"},
        {kCFNumberFloat32Type, bytes(1.5f), ""},
        {kCFNumberFloat64Type, bytes(-2.25), ""},
        {kCFNumberDoubleType, bytes(3.0), ""},
    };
    for (const auto& number : cases) {
        const CFNumberRef value = CF().CFNumberCreate(nullptr, number.type, number.value.constData());
        QVERIFY2(value != nullptr, number.expected);
        QCOMPARE(CFValueToText(value), QLatin1String(number.expected));
        CF().CFRelease(value);
        // Integers from a device arrive as property-list integers.
        if (*number.expected != 0) {
            const QByteArray xml = QByteArray("<plist version=\"1.0\"><integer>") + number.expected + "</integer></plist>";
            QCOMPARE(TextOfXml(xml.constData()), QLatin1String(number.expected));
        }
    }
}

void TestCFValueToText::propertyListValues()
{
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><string>J\xC3\xBCrgen's iPad</string></plist>"),
             QString::fromUtf8("Jürgen's iPad"));
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><true/></plist>"), QString(QChar(0x662F)));
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><false/></plist>"), QString(QChar(0x5426)));
    // Kinds without a text: nothing.
    QCOMPARE(CFValueToText(nullptr), QString());
    const UInt8 bytes[] = {1, 2, 3};
    const CFDataRef data = CF().CFDataCreate(nullptr, bytes, 3);
    QCOMPARE(CFValueToText(data), QString());
    CF().CFRelease(data);
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><date>2024-05-01T10:00:00Z</date></plist>"), QString());
    QCOMPARE(TextOfXml("<plist version=\"1.0\"><real>2.5</real></plist>"), QString());
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

QTEST_GUILESS_MAIN(TestCFValueToText)
#include "TestCFValueToText.moc"
