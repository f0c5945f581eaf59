#include "CFObject.h"

CFObject::CFObject(CFTypeID typeId, bool immortal)
    : m_typeId(typeId)
    , m_immortal(immortal)
    , m_references(1)
{
}

CFObject::~CFObject() = default;

CFObject* CFObject::FromRef(CFTypeRef ref)
{
    return const_cast<CFObject*>(static_cast<const CFObject*>(ref));
}

void CFObject::Retain()
{
    if (!m_immortal)
        m_references.fetch_add(1, std::memory_order_relaxed);
}

void CFObject::Release()
{
    if (m_immortal)
        return;
    // The last release must see every write made before the other releases.
    if (m_references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}
