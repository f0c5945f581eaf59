#include "CFConstantStrings.h"

#include "CFTextCodec.h"

const CFStringObject* CFConstantStrings::Get(const char* text)
{
    // Never destroyed: constant strings outlive every static object.
    static CFConstantStrings* const table = new CFConstantStrings;
    const std::string bytes(text != nullptr ? text : "");
    const std::lock_guard<std::mutex> lock(table->m_mutex);
    const CFStringObject*& string = table->m_strings[bytes];
    if (string == nullptr) {
        std::u16string utf16;
        if (!CFTextCodec::DecodeUtf8(bytes, utf16))
            CFTextCodec::DecodeLatin1(bytes, utf16);
        string = new CFStringObject(std::move(utf16), true);
    }
    return string;
}
