#include "CFDataObject.h"

CFDataObject::CFDataObject(std::vector<UInt8> bytes)
    : CFObject(kTypeId, false)
    , m_bytes(std::move(bytes))
{
}

bool CFDataObject::Equals(const CFObject& other) const
{
    const CFDataObject* data = As<CFDataObject>(other.Ref());
    return data != nullptr && data->m_bytes == m_bytes;
}

plist_t CFDataObject::ToPlist() const
{
    return plist_new_data(reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size());
}
