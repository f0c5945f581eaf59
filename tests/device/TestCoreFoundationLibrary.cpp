// The Linux Core Foundation library on its own: number storage and
// conversions, strings and encodings, constant strings across threads,
// collections, property lists and the unsupported entry points.
#include "CoreFoundationApi.h"

#include <QTest>

#include <plist/plist.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

namespace {

CFStringRef Utf8String(const char* text)
{
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

CFNumberRef Integer(std::int64_t value)
{
    return CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
}

CFDataRef Bytes(const char* bytes, size_t length)
{
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes), static_cast<CFIndex>(length));
}

} // namespace

class TestCoreFoundationLibrary : public QObject
{
    Q_OBJECT

private slots:
    void numberStorage();
    void numberConversions();
    void stringEncodings();
    void stringCharacters();
    void constantStringsAcrossThreads();
    void collections();
    void propertyLists();
    void unsupportedEntryPoints();
};

void TestCoreFoundationLibrary::numberStorage()
{
    // The type a number is created as, the type and byte size it is stored with.
    const struct
    {
        CFNumberType createdAs, storedAs;
        int byteSize;
    } cases[] = {
        {kCFNumberCharType, kCFNumberSInt8Type, 1},      {kCFNumberShortType, kCFNumberSInt16Type, 2},
        {kCFNumberIntType, kCFNumberSInt32Type, 4},      {kCFNumberLongType, kCFNumberSInt64Type, 8},
        {kCFNumberLongLongType, kCFNumberSInt64Type, 8}, {kCFNumberCFIndexType, kCFNumberSInt64Type, 8},
        {kCFNumberFloatType, kCFNumberFloat32Type, 4},   {kCFNumberDoubleType, kCFNumberFloat64Type, 8},
        {kCFNumberCGFloatType, kCFNumberFloat64Type, 8}, {kCFNumberSInt16Type, kCFNumberSInt16Type, 2},
        {99, 0, 0}, // unknown type: no number
    };
    for (const auto& number : cases) {
        const std::int64_t storage = 0; // wide enough for every type
        const CFNumberRef value = CFNumberCreate(nullptr, number.createdAs, &storage);
        QCOMPARE(value != nullptr, number.storedAs != 0);
        QCOMPARE(CFNumberGetType(value), number.storedAs);
        QCOMPARE(int(CFNumberGetByteSize(value)), number.byteSize);
        QCOMPARE(CFGetTypeID(value), value != nullptr ? CFNumberGetTypeID() : CFTypeID(0));
        CFRelease(value);
    }
}

void TestCoreFoundationLibrary::numberConversions()
{
    const CFNumberRef big = Integer(300);
    std::int8_t small = 0;
    QVERIFY(!CFNumberGetValue(big, kCFNumberSInt8Type, &small)); // does not fit
    std::int16_t medium = 0;
    QVERIFY(CFNumberGetValue(big, kCFNumberSInt16Type, &medium));
    QCOMPARE(medium, std::int16_t(300));
    // Only as many bytes as the type asks for are written.
    unsigned char bytes[8];
    std::memset(bytes, 0xAA, sizeof bytes);
    QVERIFY(CFNumberGetValue(big, kCFNumberSInt16Type, bytes));
    QCOMPARE(int(bytes[2]), 0xAA);

    const double half = 2.5;
    const CFNumberRef real = CFNumberCreate(nullptr, kCFNumberFloat64Type, &half);
    std::int32_t truncated = 0;
    QVERIFY(!CFNumberGetValue(real, kCFNumberSInt32Type, &truncated));
    QCOMPARE(truncated, 2);
    float narrow = 0;
    QVERIFY(CFNumberGetValue(real, kCFNumberFloat32Type, &narrow));
    QCOMPARE(narrow, 2.5f);

    const CFNumberRef largest = Integer(std::numeric_limits<std::int64_t>::max());
    double wide = 0;
    QVERIFY(!CFNumberGetValue(largest, kCFNumberFloat64Type, &wide));
    const CFNumberRef exact = Integer(std::int64_t(1) << 52);
    QVERIFY(CFNumberGetValue(exact, kCFNumberFloat64Type, &wide));
    QCOMPARE(wide, 4503599627370496.0);

    const std::int8_t five = 5;
    const double fiveReal = 5.0;
    const CFNumberRef fiveSmall = CFNumberCreate(nullptr, kCFNumberSInt8Type, &five);
    const CFNumberRef fiveWide = CFNumberCreate(nullptr, kCFNumberDoubleType, &fiveReal);
    QVERIFY(CFEqual(fiveSmall, fiveWide));
    QVERIFY(!CFEqual(fiveSmall, big));
    QVERIFY(!CFNumberGetValue(nullptr, kCFNumberSInt32Type, &truncated));
    QVERIFY(!CFNumberGetValue(big, 99, &truncated));

    for (CFTypeRef object : {CFTypeRef(big), CFTypeRef(real), CFTypeRef(largest), CFTypeRef(exact),
                             CFTypeRef(fiveSmall), CFTypeRef(fiveWide)})
        CFRelease(object);
}

void TestCoreFoundationLibrary::stringEncodings()
{
    for (const char* malformed : {"\xC3\x28", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "abc\xE2\x82"})
        QVERIFY2(Utf8String(malformed) == nullptr, malformed);
    QVERIFY(CFStringCreateWithCString(nullptr, "Caf\xE9", kCFStringEncodingASCII) == nullptr);
    QVERIFY(CFStringCreateWithCString(nullptr, "abc", 0x0500) == nullptr);
    QVERIFY(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8) == nullptr);

    const CFStringRef text = Utf8String("Caf\xC3\xA9 \xE2\x82\xAC");
    QCOMPARE(int(CFStringGetLength(text)), 6);
    char buffer[16];
    QVERIFY(CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingUTF8));
    QCOMPARE(QByteArray(buffer), QByteArray("Caf\xC3\xA9 \xE2\x82\xAC"));
    QVERIFY(!CFStringGetCString(text, buffer, 9, kCFStringEncodingUTF8)); // no room for the terminator
    QVERIFY(!CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingISOLatin1)); // the euro sign

    const CFStringRef same = CFStringCreateWithCString(nullptr, "Caf\xE9 ", kCFStringEncodingISOLatin1);
    QVERIFY(!CFEqual(text, same));
    QVERIFY(CFStringGetCString(same, buffer, sizeof buffer, kCFStringEncodingISOLatin1));
    QCOMPARE(QByteArray(buffer), QByteArray("Caf\xE9 "));
    const CFStringRef fromUtf8 = CFStringCreateWithCString(nullptr, "Caf\xC3\xA9 ", kCFStringEncodingUTF8);
    QVERIFY(CFEqual(same, fromUtf8));
    for (CFTypeRef object : {CFTypeRef(text), CFTypeRef(same), CFTypeRef(fromUtf8)})
        CFRelease(object);
}

void TestCoreFoundationLibrary::stringCharacters()
{
    const CFStringRef text = Utf8String("\xE5\xBC\xA0\xE4\xB8\x89 \xF0\x9F\x93\xB1");
    QCOMPARE(int(CFStringGetLength(text)), 5); // the emoji is two UTF-16 units
    const UniChar* direct = CFStringGetCharactersPtr(text);
    QVERIFY(direct != nullptr);
    QCOMPARE(int(direct[0]), 0x5F20);
    QCOMPARE(int(direct[3]), 0xD83D);

    // A range reaching past the end is cut to the characters there are.
    UniChar buffer[8] = {0, 0, 0, 0, 0, 0, 0, 0x7777};
    CFStringGetCharacters(text, CFRange{3, 7}, buffer);
    QCOMPARE(int(buffer[0]), 0xD83D);
    QCOMPARE(int(buffer[1]), 0xDCF1);
    QCOMPARE(int(buffer[2]), 0);
    CFStringGetCharacters(text, CFRange{-1, 2}, buffer);
    QCOMPARE(int(buffer[0]), 0xD83D);
    QCOMPARE(int(buffer[7]), 0x7777);

    const CFNumberRef number = Integer(1);
    QCOMPARE(int(CFStringGetLength(reinterpret_cast<CFStringRef>(number))), 0); // not a string: nothing
    CFRelease(number);
    CFRelease(text);
}

void TestCoreFoundationLibrary::constantStringsAcrossThreads()
{
    const int threadCount = 8;
    const int textCount = 40;
    std::vector<std::vector<CFStringRef>> seen(threadCount, std::vector<CFStringRef>(textCount));
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([t, &seen] {
            for (int round = 0; round < 50; ++round) {
                for (int i = 0; i < textCount; ++i) {
                    const QByteArray text = "Key" + QByteArray::number((i + t) % textCount);
                    const CFStringRef string = __CFStringMakeConstantString(text.constData());
                    CFRelease(string); // constants ignore releases
                    seen[t][(i + t) % textCount] = string;
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < textCount; ++i) {
        for (int t = 1; t < threadCount; ++t)
            QCOMPARE(seen[t][i], seen[0][i]);
        QCOMPARE(CFStringGetLength(seen[0][i]), CFIndex(i < 10 ? 4 : 5));
    }
    QVERIFY(seen[0][0] != seen[0][1]);
}

void TestCoreFoundationLibrary::collections()
{
    const CFStringRef key = Utf8String("DeviceName");
    const CFStringRef otherKey = Utf8String("ProductType");
    const CFStringRef value = Utf8String("Anna's iPhone");
    const CFNumberRef number = Integer(42);
    const void* keys[] = {key, otherKey, __CFStringMakeConstantString("DeviceName")};
    const void* values[] = {value, number, number};
    const CFDictionaryRef dictionary = CFDictionaryCreate(nullptr, keys, values, 3, nullptr, nullptr);
    const void* items[] = {value, number};
    const CFArrayRef array = CFArrayCreate(nullptr, items, 2, nullptr);
    // The collections hold their own references.
    CFRelease(value);
    CFRelease(key);

    QCOMPARE(int(CFDictionaryGetCount(dictionary)), 2); // the repeated key keeps its last value
    QCOMPARE(CFDictionaryGetValue(dictionary, __CFStringMakeConstantString("DeviceName")),
             static_cast<const void*>(number));
    QVERIFY(CFDictionaryGetValue(dictionary, __CFStringMakeConstantString("Missing")) == nullptr);
    const void* gotKeys[2] = {};
    const void* gotValues[2] = {};
    CFDictionaryGetKeysAndValues(dictionary, gotKeys, gotValues);
    QVERIFY(CFEqual(gotKeys[0], __CFStringMakeConstantString("DeviceName")));
    QCOMPARE(gotValues[1], static_cast<const void*>(number));

    QCOMPARE(int(CFArrayGetCount(array)), 2);
    QVERIFY(CFEqual(CFArrayGetValueAtIndex(array, 0), __CFStringMakeConstantString("Anna's iPhone")));
    QVERIFY(CFArrayGetValueAtIndex(array, 2) == nullptr);
    QVERIFY(CFArrayGetValueAtIndex(array, -1) == nullptr);
    const void* withNull[] = {number, nullptr};
    QVERIFY(CFArrayCreate(nullptr, withNull, 2, nullptr) == nullptr);

    // References shared by threads that retain and release at once.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([array] {
            for (int i = 0; i < 2000; ++i)
                CFRelease(CFRetain(array));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    QCOMPARE(int(CFArrayGetCount(array)), 2);

    CFRelease(array);
    CFRelease(dictionary);
    CFRelease(otherKey);
    QCOMPARE(int(CFGetTypeID(number)), 22); // still held here
    CFRelease(number);
}

void TestCoreFoundationLibrary::propertyLists()
{
    const char xml[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
                       "<key>Name</key><string>Anna</string><key>Count</key><integer>-3</integer>"
                       "<key>Flags</key><array><true/><false/><real>0.5</real><data>AQID</data></array>"
                       "</dict></plist>";
    const CFDataRef xmlData = Bytes(xml, sizeof xml - 1);
    CFStringRef error = nullptr;
    const CFPropertyListRef fromXml = CFPropertyListCreateFromXMLData(nullptr, xmlData, 0, &error);
    QVERIFY(fromXml != nullptr);
    QVERIFY(error == nullptr);
    QCOMPARE(CFGetTypeID(fromXml), CFDictionaryGetTypeID());
    QVERIFY(CFPropertyListIsValid(fromXml, kCFPropertyListXMLFormat_v1_0));

    // Written out and read back, the value is the same.
    const CFDataRef written = CFPropertyListCreateXMLData(nullptr, fromXml);
    CFPropertyListFormat format = 0;
    const CFPropertyListRef again = CFPropertyListCreateWithData(nullptr, written, 0, &format, nullptr);
    QVERIFY(CFEqual(fromXml, again));
    QCOMPARE(format, CFPropertyListFormat(kCFPropertyListXMLFormat_v1_0));

    // The binary form, as lockdownd values travel, gives the same value too.
    plist_t node = nullptr;
    plist_from_xml(xml, sizeof xml - 1, &node);
    char* binary = nullptr;
    uint32_t binaryLength = 0;
    plist_to_bin(node, &binary, &binaryLength);
    const CFDataRef binaryData = Bytes(binary, binaryLength);
    const CFPropertyListRef fromBinary = CFPropertyListCreateWithData(nullptr, binaryData, 0, &format, nullptr);
    QVERIFY(CFEqual(fromXml, fromBinary));
    QCOMPARE(format, CFPropertyListFormat(kCFPropertyListBinaryFormat_v1_0));
    plist_to_bin_free(binary);
    plist_free(node);

    const CFDataRef garbage = Bytes("<plist><dict><key>", 18);
    QVERIFY(CFPropertyListCreateFromXMLData(nullptr, garbage, 0, &error) == nullptr);
    QVERIFY(CFGetTypeID(error) == CFStringGetTypeID());
    CFRelease(error);

    // Only string keys make a property list.
    const CFNumberRef number = Integer(1);
    const void* keys[] = {number};
    const void* values[] = {number};
    const CFDictionaryRef numberKeys = CFDictionaryCreate(nullptr, keys, values, 1, nullptr, nullptr);
    QVERIFY(!CFPropertyListIsValid(numberKeys, kCFPropertyListXMLFormat_v1_0));
    QVERIFY(CFPropertyListCreateXMLData(nullptr, numberKeys) == nullptr);

    for (CFTypeRef object : {CFTypeRef(xmlData), CFTypeRef(fromXml), CFTypeRef(written), CFTypeRef(again),
                             CFTypeRef(binaryData), CFTypeRef(fromBinary), CFTypeRef(garbage), CFTypeRef(number),
                             CFTypeRef(numberKeys)})
        CFRelease(object);
}

void TestCoreFoundationLibrary::unsupportedEntryPoints()
{
    const CFStringRef path = Utf8String("/tmp/some.plist");
    QVERIFY(CFURLCreateWithFileSystemPath(nullptr, path, 0, false) == nullptr);
    QVERIFY(CFReadStreamCreateWithFile(nullptr, nullptr) == nullptr);
    QVERIFY(CFWriteStreamCreateWithFile(nullptr, nullptr) == nullptr);
    QVERIFY(!CFReadStreamOpen(nullptr));
    QVERIFY(!CFWriteStreamOpen(nullptr));
    CFReadStreamClose(nullptr);
    CFWriteStreamClose(nullptr);
    CFStringRef error = nullptr;
    QVERIFY(CFPropertyListCreateFromStream(nullptr, nullptr, 0, 0, nullptr, &error) == nullptr);
    QVERIFY(error != nullptr);
    CFRelease(error);
    QCOMPARE(int(CFPropertyListWriteToStream(path, nullptr, kCFPropertyListXMLFormat_v1_0, nullptr)), 0);
    SInt32 code = 0;
    CFDataRef data = reinterpret_cast<CFDataRef>(&code); // must be cleared
    QVERIFY(!CFURLCreateDataAndPropertiesFromResource(nullptr, nullptr, &data, nullptr, nullptr, &code));
    QVERIFY(data == nullptr);
    QVERIFY(code != 0);
    QVERIFY(!CFURLWriteDataAndPropertiesToResource(nullptr, nullptr, nullptr, &code));

    // Null and foreign references give nothing instead of a crash.
    CFRelease(nullptr);
    QCOMPARE(int(CFGetTypeID(nullptr)), 0);
    QVERIFY(!CFBooleanGetValue(reinterpret_cast<CFBooleanRef>(path)));
    QVERIFY(CFDataGetBytePtr(reinterpret_cast<CFDataRef>(path)) == nullptr);
    QVERIFY(!CFEqual(nullptr, nullptr));
    CFRelease(path);
}

QTEST_GUILESS_MAIN(TestCoreFoundationLibrary)
#include "TestCoreFoundationLibrary.moc"
