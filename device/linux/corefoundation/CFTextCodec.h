// Conversions between the byte encodings C strings arrive in and the UTF-16
// that strings are kept in.
#ifndef CORVINA_CFTEXTCODEC_H
#define CORVINA_CFTEXTCODEC_H

#include <string>

class CFTextCodec
{
public:
    // False for malformed UTF-8 (overlong forms, surrogates, values beyond
    // U+10FFFF, cut sequences).
    static bool DecodeUtf8(const std::string& bytes, std::u16string& text);
    static void DecodeLatin1(const std::string& bytes, std::u16string& text);
    // Unpaired surrogates become U+FFFD.
    static std::string EncodeUtf8(const std::u16string& text);
    // False when a character lies beyond maximum (0x7F for ASCII, 0xFF for Latin-1).
    static bool EncodeSingleByte(const std::u16string& text, char16_t maximum, std::string& bytes);

private:
    static void AppendUtf16(char32_t codePoint, std::u16string& text);
    static void AppendUtf8(char32_t codePoint, std::string& bytes);
};

#endif
