// The program's own Core Foundation library, loaded the way the program loads
// it, for what a device through the emulator cannot send: numbers of every
// width, dates, damaged property lists, and constant strings made by many
// threads at once.
#include "CFValueToText.h"
#include "CMobileDeviceDriver.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

namespace {

template<typename T>
QByteArray Bytes(T value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// The value of a property list, as text; empty when it cannot be read.
QString TextOfPropertyList(const QByteArray& bytes)
{
    const CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.constData()), bytes.size());
    const CFPropertyListRef value = CFPropertyListCreateWithData(nullptr, data, 0, nullptr, nullptr);
    CFRelease(data);
    const QString text = CFValueToText(value);
    CFRelease(value);
    return text;
}

} // namespace

class TestCoreFoundation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void numbers_data();
    void numbers();
    void otherValues_data();
    void otherValues();
    void constantStringsAcrossThreads();
};

void TestCoreFoundation::initTestCase()
{
    QVERIFY(CMobileDeviceDriver::LoadDriver(nullptr, nullptr, QStringLiteral(CORVINA_PROGRAM_DIR).toStdWString()));
}

void TestCoreFoundation::numbers_data()
{
    // Apple's library keeps each number in the width it was made with; the
    // one here does the same, so every width reaches the text.
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("value"); // the bytes CFNumberCreate reads
    QTest::addColumn<int>("storedAs");     // 0: no number
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<QString>("text");
    const int s8 = kCFNumberSInt8Type, s16 = kCFNumberSInt16Type, s32 = kCFNumberSInt32Type;
    const int s64 = kCFNumberSInt64Type, f32 = kCFNumberFloat32Type, f64 = kCFNumberFloat64Type;
    const std::int64_t smallest = std::numeric_limits<std::int64_t>::min();
    QTest::newRow("SInt8") << s8 << Bytes(std::int8_t(-5)) << s8 << 1 << QStringLiteral("-5");
    QTest::newRow("char") << int(kCFNumberCharType) << Bytes(std::int8_t(-128)) << s8 << 1 << QStringLiteral("-128");
    QTest::newRow("SInt16") << s16 << Bytes(std::int16_t(-300)) << s16 << 2 << QStringLiteral("-300");
    QTest::newRow("short") << int(kCFNumberShortType) << Bytes(std::int16_t(32767)) << s16 << 2
                           << QStringLiteral("32767");
    QTest::newRow("SInt32") << s32 << Bytes(std::int32_t(-70000)) << s32 << 4 << QStringLiteral("-70000");
    QTest::newRow("int") << int(kCFNumberIntType) << Bytes(std::numeric_limits<std::int32_t>::min()) << s32 << 4
                         << QStringLiteral("-2147483648");
    QTest::newRow("long long") << int(kCFNumberLongLongType) << Bytes(smallest) << s64 << 8
                               << QStringLiteral("-9223372036854775808");
    QTest::newRow("CFIndex") << int(kCFNumberCFIndexType) << Bytes(CFIndex(1) << 40) << s64 << 8
                             << QStringLiteral("1099511627776");
    QTest::newRow("float: no text") << int(kCFNumberFloatType) << Bytes(1.5f) << f32 << 4 << QString();
    QTest::newRow("double: no text") << int(kCFNumberDoubleType) << Bytes(-2.25) << f64 << 8 << QString();
    QTest::newRow("unknown type: none") << 99 << Bytes(std::int64_t(0)) << 0 << 0 << QString();
}

void TestCoreFoundation::numbers()
{
    QFETCH(int, type);
    QFETCH(QByteArray, value);
    QFETCH(int, storedAs);
    QFETCH(int, byteSize);
    QFETCH(QString, text);
    const CFNumberRef number = CFNumberCreate(nullptr, type, value.constData());
    QCOMPARE(int(CFNumberGetType(number)), storedAs);
    QCOMPARE(int(CFNumberGetByteSize(number)), byteSize);
    QCOMPARE(CFValueToText(number), text);
    CFRelease(number);
}

void TestCoreFoundation::otherValues_data()
{
    QTest::addColumn<QByteArray>("propertyList");
    QTest::addColumn<QString>("text");
    const QByteArray head = "<plist version=\"1.0\">";
    QTest::newRow("date: no text") << head + "<date>2024-05-01T10:00:00Z</date></plist>" << QString();
    QTest::newRow("no value") << QByteArray("<plist><dict><key>") << QString();
    QTest::newRow("empty string") << head + "<string></string></plist>" << QString();
    // Damaged lists once found by fuzzing: a key with a NUL inside is left out
    // of its dictionary; a date beyond 32-bit seconds is written as the
    // nearest one that fits.
    const QDir seeds(QStringLiteral(CORVINA_SOURCE_DIR "/tests/fuzz/corpus/PropertyList"));
    for (const char* seed : {"nul-key", "far-date"}) {
        QFile file(seeds.filePath(QLatin1String(seed)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QTest::newRow(seed) << bytes
                            << (qstrcmp(seed, "nul-key") == 0
                                    ? QStringLiteral("<string>17.5.1</string>\n</dict>") // the other entry only
                                    : QStringLiteral("<date>1932-12-13T20:45:52Z</date>"));
    }
}

void TestCoreFoundation::otherValues()
{
    QFETCH(QByteArray, propertyList);
    QFETCH(QString, text);
    const QString actual = TextOfPropertyList(propertyList);
    if (text.startsWith(QLatin1Char('<')))
        QVERIFY2(actual.contains(text), qPrintable(actual));
    else
        QCOMPARE(actual, text);
}

void TestCoreFoundation::constantStringsAcrossThreads()
{
    // Handlers on the library's thread and the window's thread make the same
    // constants at once: each text gives one object, whichever thread asks.
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
        QCOMPARE(CFValueToText(seen[0][i]), QStringLiteral("Key%1").arg(i));
    }
}

QTEST_GUILESS_MAIN(TestCoreFoundation)
#include "TestCoreFoundation.moc"
