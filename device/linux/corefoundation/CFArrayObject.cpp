#include "CFArrayObject.h"

CFArrayObject::CFArrayObject(std::vector<CFObject*> values)
    : CFObject(kTypeId, false)
    , m_values(std::move(values))
{
}

CFArrayObject::~CFArrayObject()
{
    for (CFObject* value : m_values)
        value->Release();
}

bool CFArrayObject::Equals(const CFObject& other) const
{
    const CFArrayObject* array = As<CFArrayObject>(other.Ref());
    if (array == nullptr || array->m_values.size() != m_values.size())
        return false;
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (!m_values[i]->Equals(*array->m_values[i]))
            return false;
    }
    return true;
}

plist_t CFArrayObject::ToPlist() const
{
    plist_t array = plist_new_array();
    for (const CFObject* value : m_values) {
        plist_t item = value->ToPlist();
        if (item == nullptr) {
            plist_free(array);
            return nullptr;
        }
        plist_array_append_item(array, item);
    }
    return array;
}
