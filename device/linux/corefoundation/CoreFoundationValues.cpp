// Core Foundation entry points for objects and their values. Wrong or null
// references give null, 0 or false instead of crashing; collections always
// retain their members (the call-back arguments are accepted and ignored), so
// every member must be a Core Foundation object.
#include "CFArrayObject.h"
#include "CFBooleanObject.h"
#include "CFConstantStrings.h"
#include "CFDataObject.h"
#include "CFDictionaryObject.h"
#include "CFNumberObject.h"
#include "CFStringObject.h"
#include "CFTextCodec.h"

#include <algorithm>
#include <cstring>

namespace {

// The part of range that lies inside [0, size).
bool ClampRange(CFRange range, size_t size, size_t& first, size_t& count)
{
    if (range.location < 0 || range.length <= 0 || static_cast<size_t>(range.location) >= size)
        return false;
    first = static_cast<size_t>(range.location);
    count = std::min(static_cast<size_t>(range.length), size - first);
    return true;
}

// Retained objects for the given references; false when any is null.
bool RetainAll(const void** refs, CFIndex count, std::vector<CFObject*>& objects)
{
    if (count < 0 || (count > 0 && refs == nullptr))
        return false;
    for (CFIndex i = 0; i < count; ++i) {
        if (refs[i] == nullptr)
            return false;
        objects.push_back(CFObject::FromRef(refs[i]));
    }
    for (CFObject* object : objects)
        object->Retain();
    return true;
}

} // namespace

extern "C" {

CFTypeRef CFRetain(CFTypeRef cf)
{
    if (cf != nullptr)
        CFObject::FromRef(cf)->Retain();
    return cf;
}

void CFRelease(CFTypeRef cf)
{
    if (cf != nullptr)
        CFObject::FromRef(cf)->Release();
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2)
{
    if (cf1 == cf2)
        return cf1 != nullptr;
    if (cf1 == nullptr || cf2 == nullptr)
        return false;
    return CFObject::FromRef(cf1)->Equals(*CFObject::FromRef(cf2));
}

CFTypeID CFGetTypeID(CFTypeRef cf)
{
    return cf != nullptr ? CFObject::FromRef(cf)->TypeId() : 0;
}

CFTypeID CFStringGetTypeID(void)
{
    return CFObject::kStringTypeId;
}

CFTypeID CFDictionaryGetTypeID(void)
{
    return CFObject::kDictionaryTypeId;
}

CFTypeID CFBooleanGetTypeID(void)
{
    return CFObject::kBooleanTypeId;
}

CFTypeID CFNumberGetTypeID(void)
{
    return CFObject::kNumberTypeId;
}

CFTypeID CFDataGetTypeID(void)
{
    return CFObject::kDataTypeId;
}

CFTypeID CFArrayGetTypeID(void)
{
    return CFObject::kArrayTypeId;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding)
{
    if (cStr == nullptr)
        return nullptr;
    const std::string bytes(cStr);
    std::u16string text;
    switch (encoding) {
    case kCFStringEncodingUTF8:
        if (!CFTextCodec::DecodeUtf8(bytes, text))
            return nullptr;
        break;
    case kCFStringEncodingISOLatin1:
        CFTextCodec::DecodeLatin1(bytes, text);
        break;
    case kCFStringEncodingASCII:
        if (!std::all_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; }))
            return nullptr;
        CFTextCodec::DecodeLatin1(bytes, text);
        break;
    default:
        return nullptr;
    }
    return static_cast<CFStringRef>((new CFStringObject(std::move(text)))->Ref());
}

CFStringRef __CFStringMakeConstantString(const char* cStr)
{
    return static_cast<CFStringRef>(CFConstantStrings::Get(cStr)->Ref());
}

CFIndex CFStringGetLength(CFStringRef theString)
{
    const CFStringObject* string = CFObject::As<CFStringObject>(theString);
    return string != nullptr ? static_cast<CFIndex>(string->Text().size()) : 0;
}

const UniChar* CFStringGetCharactersPtr(CFStringRef theString)
{
    const CFStringObject* string = CFObject::As<CFStringObject>(theString);
    return string != nullptr ? string->CharactersPtr() : nullptr;
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer)
{
    const CFStringObject* string = CFObject::As<CFStringObject>(theString);
    size_t first = 0;
    size_t count = 0;
    if (string != nullptr && buffer != nullptr && ClampRange(range, string->Text().size(), first, count))
        std::memcpy(buffer, string->Text().data() + first, count * sizeof(UniChar));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding)
{
    const CFStringObject* string = CFObject::As<CFStringObject>(theString);
    if (string == nullptr || buffer == nullptr || bufferSize <= 0)
        return false;
    std::string bytes;
    if (encoding == kCFStringEncodingUTF8)
        bytes = string->Utf8();
    else if (encoding == kCFStringEncodingISOLatin1 || encoding == kCFStringEncodingASCII) {
        if (!CFTextCodec::EncodeSingleByte(string->Text(), encoding == kCFStringEncodingASCII ? 0x7F : 0xFF, bytes))
            return false;
    } else
        return false;
    if (bytes.size() + 1 > static_cast<size_t>(bufferSize))
        return false;
    std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
    return true;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr)
{
    CFNumberObject* number = CFNumberObject::Create(theType, valuePtr);
    return number != nullptr ? static_cast<CFNumberRef>(number->Ref()) : nullptr;
}

CFNumberType CFNumberGetType(CFNumberRef number)
{
    const CFNumberObject* object = CFObject::As<CFNumberObject>(number);
    return object != nullptr ? object->StorageType() : 0;
}

CFIndex CFNumberGetByteSize(CFNumberRef number)
{
    const CFNumberObject* object = CFObject::As<CFNumberObject>(number);
    return object != nullptr ? object->ByteSize() : 0;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr)
{
    const CFNumberObject* object = CFObject::As<CFNumberObject>(number);
    return object != nullptr && object->GetValue(theType, valuePtr);
}

Boolean CFBooleanGetValue(CFBooleanRef boolean)
{
    const CFBooleanObject* object = CFObject::As<CFBooleanObject>(boolean);
    return object != nullptr && object->Value();
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length)
{
    if (length < 0 || (length > 0 && bytes == nullptr))
        return nullptr;
    std::vector<UInt8> copy(bytes, bytes + length);
    return static_cast<CFDataRef>((new CFDataObject(std::move(copy)))->Ref());
}

CFIndex CFDataGetLength(CFDataRef theData)
{
    const CFDataObject* data = CFObject::As<CFDataObject>(theData);
    return data != nullptr ? static_cast<CFIndex>(data->Bytes().size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData)
{
    const CFDataObject* data = CFObject::As<CFDataObject>(theData);
    return data != nullptr ? data->Bytes().data() : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer)
{
    const CFDataObject* data = CFObject::As<CFDataObject>(theData);
    size_t first = 0;
    size_t count = 0;
    if (data != nullptr && buffer != nullptr && ClampRange(range, data->Bytes().size(), first, count))
        std::memcpy(buffer, data->Bytes().data() + first, count);
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues, const CFArrayCallBacks*)
{
    std::vector<CFObject*> objects;
    if (!RetainAll(values, numValues, objects))
        return nullptr;
    return static_cast<CFArrayRef>((new CFArrayObject(std::move(objects)))->Ref());
}

CFIndex CFArrayGetCount(CFArrayRef theArray)
{
    const CFArrayObject* array = CFObject::As<CFArrayObject>(theArray);
    return array != nullptr ? static_cast<CFIndex>(array->Values().size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx)
{
    const CFArrayObject* array = CFObject::As<CFArrayObject>(theArray);
    if (array == nullptr || idx < 0 || static_cast<size_t>(idx) >= array->Values().size())
        return nullptr;
    return array->Values()[static_cast<size_t>(idx)]->Ref();
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values, CFIndex numValues,
                                   const CFDictionaryKeyCallBacks*, const CFDictionaryValueCallBacks*)
{
    std::vector<CFObject*> keyObjects;
    std::vector<CFObject*> valueObjects;
    if (!RetainAll(keys, numValues, keyObjects))
        return nullptr;
    if (!RetainAll(values, numValues, valueObjects)) {
        for (CFObject* key : keyObjects)
            key->Release();
        return nullptr;
    }
    std::vector<CFDictionaryObject::Entry> entries;
    for (size_t i = 0; i < keyObjects.size(); ++i)
        entries.emplace_back(keyObjects[i], valueObjects[i]);
    return static_cast<CFDictionaryRef>((new CFDictionaryObject(std::move(entries)))->Ref());
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key)
{
    const CFDictionaryObject* dictionary = CFObject::As<CFDictionaryObject>(theDict);
    if (dictionary == nullptr || key == nullptr)
        return nullptr;
    const CFObject* value = dictionary->Find(*CFObject::FromRef(key));
    return value != nullptr ? value->Ref() : nullptr;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict)
{
    const CFDictionaryObject* dictionary = CFObject::As<CFDictionaryObject>(theDict);
    return dictionary != nullptr ? static_cast<CFIndex>(dictionary->Entries().size()) : 0;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values)
{
    const CFDictionaryObject* dictionary = CFObject::As<CFDictionaryObject>(theDict);
    if (dictionary == nullptr)
        return;
    size_t i = 0;
    for (const CFDictionaryObject::Entry& entry : dictionary->Entries()) {
        if (keys != nullptr)
            keys[i] = entry.first->Ref();
        if (values != nullptr)
            values[i] = entry.second->Ref();
        ++i;
    }
}

} // extern "C"
