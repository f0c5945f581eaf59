#include "CFDictionaryObject.h"

#include "CFStringObject.h"

#include <algorithm>

CFDictionaryObject::CFDictionaryObject(std::vector<Entry> entries)
    : CFObject(kTypeId, false)
    , m_entries(WithoutRepeatedKeys(std::move(entries)))
{
}

CFDictionaryObject::~CFDictionaryObject()
{
    for (const Entry& entry : m_entries) {
        entry.first->Release();
        entry.second->Release();
    }
}

std::vector<CFDictionaryObject::Entry> CFDictionaryObject::WithoutRepeatedKeys(std::vector<Entry> entries)
{
    std::vector<Entry> unique;
    for (const Entry& entry : entries) {
        auto same = std::find_if(unique.begin(), unique.end(),
                                 [&entry](const Entry& kept) { return kept.first->Equals(*entry.first); });
        if (same == unique.end()) {
            unique.push_back(entry);
            continue;
        }
        same->first->Release();
        same->second->Release();
        *same = entry;
    }
    return unique;
}

const CFObject* CFDictionaryObject::Find(const CFObject& key) const
{
    for (const Entry& entry : m_entries) {
        if (entry.first->Equals(key))
            return entry.second;
    }
    return nullptr;
}

bool CFDictionaryObject::Equals(const CFObject& other) const
{
    const CFDictionaryObject* dictionary = As<CFDictionaryObject>(other.Ref());
    if (dictionary == nullptr || dictionary->m_entries.size() != m_entries.size())
        return false;
    for (const Entry& entry : m_entries) {
        const CFObject* theirs = dictionary->Find(*entry.first);
        if (theirs == nullptr || !entry.second->Equals(*theirs))
            return false;
    }
    return true;
}

plist_t CFDictionaryObject::ToPlist() const
{
    std::vector<const Entry*> sorted;
    for (const Entry& entry : m_entries) {
        if (As<CFStringObject>(entry.first->Ref()) == nullptr)
            return nullptr;
        sorted.push_back(&entry);
    }
    std::sort(sorted.begin(), sorted.end(), [](const Entry* left, const Entry* right) {
        return As<CFStringObject>(left->first->Ref())->Text() < As<CFStringObject>(right->first->Ref())->Text();
    });
    plist_t dictionary = plist_new_dict();
    for (const Entry* entry : sorted) {
        plist_t item = entry->second->ToPlist();
        if (item == nullptr) {
            plist_free(dictionary);
            return nullptr;
        }
        plist_dict_set_item(dictionary, As<CFStringObject>(entry->first->Ref())->Utf8().c_str(), item);
    }
    return dictionary;
}
