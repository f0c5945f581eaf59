// Core Foundation entry points for property lists, files and streams.
// Property lists are read from and written to memory (XML or binary, through
// libplist). URLs, streams and file resources are not supported: their
// functions create nothing and return null, false or 0.
#include "CFDataObject.h"
#include "CFPropertyListBridge.h"
#include "CFStringObject.h"

#include <string>

namespace {

CFStringRef NewString(const char* text)
{
    std::u16string utf16(text, text + std::char_traits<char>::length(text));
    return static_cast<CFStringRef>((new CFStringObject(std::move(utf16)))->Ref());
}

CFPropertyListRef PropertyListFromData(CFDataRef data, CFPropertyListFormat* format)
{
    const CFDataObject* object = CFObject::As<CFDataObject>(data);
    if (object == nullptr)
        return nullptr;
    bool binary = false;
    const CFObject* list = CFPropertyListBridge::FromBytes(object->Bytes().data(),
                                                           static_cast<CFIndex>(object->Bytes().size()), &binary);
    if (list != nullptr && format != nullptr)
        *format = binary ? kCFPropertyListBinaryFormat_v1_0 : kCFPropertyListXMLFormat_v1_0;
    return list != nullptr ? list->Ref() : nullptr;
}

} // namespace

extern "C" {

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData, CFOptionFlags,
                                                  CFStringRef* errorString)
{
    CFPropertyListRef list = PropertyListFromData(xmlData, nullptr);
    if (errorString != nullptr)
        *errorString = list != nullptr ? nullptr : NewString("The data is not a property list.");
    return list;
}

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data, CFOptionFlags,
                                               CFPropertyListFormat* format, CFErrorRef* error)
{
    // This library has no error objects.
    if (error != nullptr)
        *error = nullptr;
    return PropertyListFromData(data, format);
}

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList)
{
    std::string xml;
    if (propertyList == nullptr || !CFPropertyListBridge::ToXml(*CFObject::FromRef(propertyList), xml))
        return nullptr;
    std::vector<UInt8> bytes(xml.begin(), xml.end());
    return static_cast<CFDataRef>((new CFDataObject(std::move(bytes)))->Ref());
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat)
{
    if (plist == nullptr)
        return false;
    plist_t node = CFObject::FromRef(plist)->ToPlist();
    plist_free(node);
    return node != nullptr;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef, CFURLPathStyle, Boolean)
{
    return nullptr;
}

CFReadStreamRef CFReadStreamCreateWithFile(CFAllocatorRef, CFURLRef)
{
    return nullptr;
}

CFWriteStreamRef CFWriteStreamCreateWithFile(CFAllocatorRef, CFURLRef)
{
    return nullptr;
}

Boolean CFReadStreamOpen(CFReadStreamRef)
{
    return false;
}

Boolean CFWriteStreamOpen(CFWriteStreamRef)
{
    return false;
}

void CFReadStreamClose(CFReadStreamRef)
{
}

void CFWriteStreamClose(CFWriteStreamRef)
{
}

CFPropertyListRef CFPropertyListCreateFromStream(CFAllocatorRef, CFReadStreamRef, CFIndex, CFOptionFlags,
                                                 CFPropertyListFormat*, CFStringRef* errorString)
{
    if (errorString != nullptr)
        *errorString = NewString("Streams are not supported.");
    return nullptr;
}

CFIndex CFPropertyListWriteToStream(CFPropertyListRef, CFWriteStreamRef, CFPropertyListFormat,
                                    CFStringRef* errorString)
{
    if (errorString != nullptr)
        *errorString = NewString("Streams are not supported.");
    return 0;
}

Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef, CFURLRef, CFDataRef* resourceData,
                                                 CFDictionaryRef* properties, CFArrayRef, SInt32* errorCode)
{
    if (resourceData != nullptr)
        *resourceData = nullptr;
    if (properties != nullptr)
        *properties = nullptr;
    if (errorCode != nullptr)
        *errorCode = -1;
    return false;
}

Boolean CFURLWriteDataAndPropertiesToResource(CFURLRef, CFDataRef, CFDictionaryRef, SInt32* errorCode)
{
    if (errorCode != nullptr)
        *errorCode = -1;
    return false;
}

} // extern "C"
