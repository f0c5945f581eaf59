#include "CFTextCodec.h"

namespace {

const char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Length of the sequence a lead byte starts and the smallest code point it
// may carry; 0 for a byte that cannot lead.
int SequenceLength(unsigned char lead, char32_t& codePoint, char32_t& minimum)
{
    if (lead < 0x80) {
        codePoint = lead;
        minimum = 0;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        codePoint = lead & 0x1F;
        minimum = 0x80;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        codePoint = lead & 0x0F;
        minimum = 0x800;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        codePoint = lead & 0x07;
        minimum = 0x10000;
        return 4;
    }
    return 0;
}

} // namespace

bool CFTextCodec::DecodeUtf8(const std::string& bytes, std::u16string& text)
{
    text.clear();
    size_t i = 0;
    while (i < bytes.size()) {
        char32_t codePoint = 0;
        char32_t minimum = 0;
        const int length = SequenceLength(static_cast<unsigned char>(bytes[i]), codePoint, minimum);
        if (length == 0 || i + static_cast<size_t>(length) > bytes.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF || IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint))
            return false;
        AppendUtf16(codePoint, text);
        i += static_cast<size_t>(length);
    }
    return true;
}

void CFTextCodec::DecodeLatin1(const std::string& bytes, std::u16string& text)
{
    text.clear();
    for (const char byte : bytes)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(byte)));
}

std::string CFTextCodec::EncodeUtf8(const std::u16string& text)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            unit = kReplacementCharacter;
        }
        AppendUtf8(unit, bytes);
    }
    return bytes;
}

bool CFTextCodec::EncodeSingleByte(const std::u16string& text, char16_t maximum, std::string& bytes)
{
    bytes.clear();
    for (const char16_t unit : text) {
        if (unit > maximum)
            return false;
        bytes.push_back(static_cast<char>(unit));
    }
    return true;
}

void CFTextCodec::AppendUtf16(char32_t codePoint, std::u16string& text)
{
    if (codePoint < 0x10000) {
        text.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

void CFTextCodec::AppendUtf8(char32_t codePoint, std::string& bytes)
{
    if (codePoint < 0x80) {
        bytes.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        bytes.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        bytes.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        bytes.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        bytes.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        bytes.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        bytes.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}
