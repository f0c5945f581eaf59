#include "CoreFoundationBridge.h"

#include <vector>

CFTypeRef CoreFoundationBridge::CreateValue(plist_t node)
{
    // The value travels as a binary property list, so that Core Foundation
    // alone decides how each kind of value is represented.
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    if (bytes == nullptr)
        return nullptr;
    const CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes), length);
    plist_to_bin_free(bytes);
    if (data == nullptr)
        return nullptr;
    const CFPropertyListRef value = CFPropertyListCreateWithData(nullptr, data, 0, nullptr, nullptr);
    CFRelease(data);
    return value;
}

bool CoreFoundationBridge::Utf8(CFStringRef string, std::string& text)
{
    if (CFGetTypeID(string) != CFStringGetTypeID())
        return false;
    // Up to three bytes for each UTF-16 unit, and the terminator.
    std::vector<char> buffer(static_cast<size_t>(CFStringGetLength(string)) * 3 + 1, '\0');
    if (!CFStringGetCString(string, buffer.data(), static_cast<CFIndex>(buffer.size()), kCFStringEncodingUTF8))
        return false;
    text.assign(buffer.data());
    return true;
}
