#include "CFStringObject.h"

#include "CFTextCodec.h"

#include <algorithm>

CFStringObject::CFStringObject(std::u16string text, bool immortal)
    : CFObject(kTypeId, immortal)
    , m_text(std::move(text))
    , m_ascii(std::all_of(m_text.begin(), m_text.end(), [](char16_t unit) { return unit < 0x80; }))
{
}

const UniChar* CFStringObject::CharactersPtr() const
{
    static_assert(sizeof(UniChar) == sizeof(char16_t), "UniChar is one UTF-16 unit");
    return m_ascii ? nullptr : reinterpret_cast<const UniChar*>(m_text.data());
}

std::string CFStringObject::Utf8() const
{
    return CFTextCodec::EncodeUtf8(m_text);
}

bool CFStringObject::Equals(const CFObject& other) const
{
    const CFStringObject* string = As<CFStringObject>(other.Ref());
    return string != nullptr && string->m_text == m_text;
}

plist_t CFStringObject::ToPlist() const
{
    return plist_new_string(Utf8().c_str());
}
