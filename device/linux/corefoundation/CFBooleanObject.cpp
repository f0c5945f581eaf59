#include "CFBooleanObject.h"

CFBooleanObject::CFBooleanObject(bool value)
    : CFObject(kTypeId, true)
    , m_value(value)
{
}

const CFBooleanObject* CFBooleanObject::Get(bool value)
{
    // Never destroyed: references to them may outlive every static object.
    static const CFBooleanObject* const trueObject = new CFBooleanObject(true);
    static const CFBooleanObject* const falseObject = new CFBooleanObject(false);
    return value ? trueObject : falseObject;
}

bool CFBooleanObject::Equals(const CFObject& other) const
{
    return &other == this;
}

plist_t CFBooleanObject::ToPlist() const
{
    return plist_new_bool(m_value ? 1 : 0);
}
