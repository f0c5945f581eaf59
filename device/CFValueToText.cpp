#include "CFValueToText.h"

#include "CMobileDeviceDriver.h"
#include "LogCallSite.h"

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Type identifiers of Apple's Core Foundation.
const CFTypeID kStringTypeId = 7;
const CFTypeID kDictionaryTypeId = 17;
const CFTypeID kArrayTypeId = 18;
const CFTypeID kBooleanTypeId = 21;
const CFTypeID kNumberTypeId = 22;

const QChar kTrueCharacter(0x662F);
const QChar kFalseCharacter(0x5426);

QString StringText(CFStringRef string)
{
    const MobileDeviceEntryPoints& cf = CMobileDeviceDriver::EntryPoints();
    const CFIndex length = cf.CFStringGetLength(string);
    if (length <= 0)
        return QString();
    const UniChar* characters = cf.CFStringGetCharactersPtr(string);
    if (characters != nullptr)
        return QString(reinterpret_cast<const QChar*>(characters), length);
    std::vector<UniChar> buffer(static_cast<size_t>(length) + 1, 0);
    cf.CFStringGetCharacters(string, CFRange{0, length}, buffer.data());
    return QString(reinterpret_cast<const QChar*>(buffer.data()), length);
}

QString PropertyListText(CFPropertyListRef propertyList)
{
    const MobileDeviceEntryPoints& cf = CMobileDeviceDriver::EntryPoints();
    const CFDataRef xml = cf.CFPropertyListCreateXMLData(nullptr, propertyList);
    if (xml == nullptr)
        return QString();
    const CFIndex length = cf.CFDataGetLength(xml);
    QByteArray bytes;
    if (length > 0) {
        bytes.resize(length);
        cf.CFDataGetBytes(xml, CFRange{0, length}, reinterpret_cast<UInt8*>(bytes.data()));
    }
    cf.CFRelease(xml);
    return QString::fromUtf8(bytes);
}

QString NumberText(CFNumberRef number)
{
    const MobileDeviceEntryPoints& cf = CMobileDeviceDriver::EntryPoints();
    const CFNumberType type = cf.CFNumberGetType(number);
    if (type < kCFNumberSInt8Type || type > kCFNumberSInt64Type)
        return QString();
    // The value fills as many bytes as the number says it has; the buffer is
    // never smaller than the widest type read from it.
    const CFIndex byteSize = cf.CFNumberGetByteSize(number);
    std::vector<unsigned char> buffer(static_cast<size_t>(byteSize > 8 ? byteSize : 8), 0);
    if (byteSize <= 0 || !cf.CFNumberGetValue(number, type, buffer.data()))
        return QString();
    switch (type) {
    case kCFNumberSInt8Type: {
        std::int8_t value;
        std::memcpy(&value, buffer.data(), sizeof value);
        return QString::number(value);
    }
    case kCFNumberSInt16Type: {
        std::int16_t value;
        std::memcpy(&value, buffer.data(), sizeof value);
        return QString::number(value);
    }
    case kCFNumberSInt32Type: {
        std::int32_t value;
        std::memcpy(&value, buffer.data(), sizeof value);
        return QString::number(value);
    }
    default: {
        qint64 value;
        std::memcpy(&value, buffer.data(), sizeof value);
        return QString::number(value);
    }
    }
}

} // namespace

QString CFValueToText(CFTypeRef value)
{
    TEXTLOG("Enter");
    QString qstrText;
    if (value != nullptr) {
        const MobileDeviceEntryPoints& cf = CMobileDeviceDriver::EntryPoints();
        const CFTypeID typeId = cf.CFGetTypeID(value);
        if (typeId == kStringTypeId)
            qstrText = StringText(static_cast<CFStringRef>(value));
        else if (typeId == kDictionaryTypeId || typeId == kArrayTypeId)
            qstrText = PropertyListText(value);
        else if (typeId == kBooleanTypeId)
            qstrText = QString(cf.CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? kTrueCharacter : kFalseCharacter);
        else if (typeId == kNumberTypeId)
            qstrText = NumberText(static_cast<CFNumberRef>(value));
        TEXTLOG("typeId : %lu", static_cast<unsigned long>(typeId));
    }
    TEXTLOG("Exit");
    return qstrText;
}
