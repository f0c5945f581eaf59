// A string, kept as UTF-16.
#ifndef CORVINA_CFSTRINGOBJECT_H
#define CORVINA_CFSTRINGOBJECT_H

#include "CFObject.h"

#include <string>

class CFStringObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kStringTypeId;

    explicit CFStringObject(std::u16string text, bool immortal = false);

    const std::u16string& Text() const { return m_text; }

    // The characters themselves, or null for pure ASCII text, which Apple's
    // library keeps in 8 bits and callers must copy out with
    // CFStringGetCharacters.
    const UniChar* CharactersPtr() const;

    std::string Utf8() const;

    bool Equals(const CFObject& other) const override;
    plist_t ToPlist() const override;

private:
    const std::u16string m_text;
    const bool m_ascii;
};

#endif
