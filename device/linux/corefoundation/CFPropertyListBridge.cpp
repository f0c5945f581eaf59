#include "CFPropertyListBridge.h"

#include "CFArrayObject.h"
#include "CFBooleanObject.h"
#include "CFDataObject.h"
#include "CFDateObject.h"
#include "CFDictionaryObject.h"
#include "CFNumberObject.h"
#include "CFStringObject.h"
#include "CFTextCodec.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Whether libplist can hand out the key's text: it asserts, and so ends the
// program, on a key with a NUL character inside, which a damaged or crafted
// property list can hold. Its XML writer writes such a key whole, so the NUL
// shows as XML text longer than its C string.
bool IsReadableKey(plist_t keyNode)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(keyNode, &xml, &length);
    const bool readable = xml != nullptr && std::strlen(xml) == length;
    plist_to_xml_free(xml);
    return readable;
}

} // namespace

CFObject* CFPropertyListBridge::FromPlist(plist_t node)
{
    switch (node != nullptr ? plist_get_node_type(node) : PLIST_NONE) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return const_cast<CFBooleanObject*>(CFBooleanObject::Get(value != 0));
    }
    case PLIST_UINT:
    case PLIST_UID: {
        uint64_t value = 0;
        if (plist_get_node_type(node) == PLIST_UINT)
            plist_get_uint_val(node, &value);
        else
            plist_get_uid_val(node, &value);
        return CFNumberObject::FromInteger(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0.0;
        plist_get_real_val(node, &value);
        return CFNumberObject::FromReal(value);
    }
    case PLIST_STRING:
        return StringFromPlist(node);
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return new CFDataObject(std::vector<UInt8>(bytes, bytes + length));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return new CFDateObject(seconds + microseconds / 1000000.0);
    }
    case PLIST_ARRAY:
        return ArrayFromPlist(node);
    case PLIST_DICT:
        return DictionaryFromPlist(node);
    default:
        return nullptr;
    }
}

CFObject* CFPropertyListBridge::StringFromPlist(plist_t node)
{
    uint64_t length = 0;
    const char* bytes = plist_get_string_ptr(node, &length);
    const std::string text(bytes != nullptr ? bytes : "", bytes != nullptr ? length : 0);
    std::u16string utf16;
    if (!CFTextCodec::DecodeUtf8(text, utf16))
        CFTextCodec::DecodeLatin1(text, utf16);
    return new CFStringObject(std::move(utf16));
}

CFObject* CFPropertyListBridge::ArrayFromPlist(plist_t node)
{
    std::vector<CFObject*> values;
    const uint32_t count = plist_array_get_size(node);
    for (uint32_t i = 0; i < count; ++i) {
        CFObject* value = FromPlist(plist_array_get_item(node, i));
        if (value != nullptr)
            values.push_back(value);
    }
    return new CFArrayObject(std::move(values));
}

CFObject* CFPropertyListBridge::DictionaryFromPlist(plist_t node)
{
    std::vector<CFDictionaryObject::Entry> entries;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    for (;;) {
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator, nullptr, &item);
        if (item == nullptr)
            break;
        // An entry whose key cannot be read is left out, like a value that cannot.
        const plist_t keyNode = plist_dict_item_get_key(item);
        if (!IsReadableKey(keyNode))
            continue;
        char* key = nullptr;
        plist_get_key_val(keyNode, &key);
        CFObject* value = FromPlist(item);
        const std::string keyBytes(key != nullptr ? key : "");
        std::free(key);
        std::u16string keyText;
        if (!CFTextCodec::DecodeUtf8(keyBytes, keyText))
            CFTextCodec::DecodeLatin1(keyBytes, keyText);
        if (value != nullptr)
            entries.emplace_back(new CFStringObject(std::move(keyText)), value);
    }
    std::free(iterator);
    return new CFDictionaryObject(std::move(entries));
}

CFObject* CFPropertyListBridge::FromBytes(const UInt8* bytes, CFIndex length, bool* binary)
{
    if (bytes == nullptr || length <= 0 || static_cast<uint64_t>(length) > std::numeric_limits<uint32_t>::max())
        return nullptr;
    const char* text = reinterpret_cast<const char*>(bytes);
    const uint32_t size = static_cast<uint32_t>(length);
    plist_t node = nullptr;
    plist_from_memory(text, size, &node);
    if (node == nullptr)
        return nullptr;
    if (binary != nullptr)
        *binary = plist_is_binary(text, size) != 0;
    CFObject* object = FromPlist(node);
    plist_free(node);
    return object;
}

bool CFPropertyListBridge::ToXml(const CFObject& object, std::string& xml)
{
    plist_t node = object.ToPlist();
    if (node == nullptr)
        return false;
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &text, &length);
    plist_free(node);
    if (text == nullptr)
        return false;
    xml.assign(text, length);
    plist_to_xml_free(text);
    return true;
}
