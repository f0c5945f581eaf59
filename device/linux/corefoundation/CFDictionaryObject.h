// Keys and values, each retained while the dictionary lives. Keys are found
// by equal content; a key given twice keeps its last value.
#ifndef CORVINA_CFDICTIONARYOBJECT_H
#define CORVINA_CFDICTIONARYOBJECT_H

#include "CFObject.h"

#include <utility>
#include <vector>

class CFDictionaryObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kDictionaryTypeId;

    typedef std::pair<CFObject*, CFObject*> Entry;

    // Takes over one reference to each key and value.
    explicit CFDictionaryObject(std::vector<Entry> entries);

    const std::vector<Entry>& Entries() const { return m_entries; }

    // The value for a key equal to key; null when there is none.
    const CFObject* Find(const CFObject& key) const;

    bool Equals(const CFObject& other) const override;
    // Keys must be strings; they are written in ascending order, as Apple's
    // library writes them.
    plist_t ToPlist() const override;

private:
    ~CFDictionaryObject() override;

    static std::vector<Entry> WithoutRepeatedKeys(std::vector<Entry> entries);

    const std::vector<Entry> m_entries;
};

#endif
