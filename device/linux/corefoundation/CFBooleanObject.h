// The two booleans; there are no others.
#ifndef CORVINA_CFBOOLEANOBJECT_H
#define CORVINA_CFBOOLEANOBJECT_H

#include "CFObject.h"

class CFBooleanObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kBooleanTypeId;

    static const CFBooleanObject* Get(bool value);

    bool Value() const { return m_value; }

    bool Equals(const CFObject& other) const override;
    plist_t ToPlist() const override;

private:
    explicit CFBooleanObject(bool value);

    const bool m_value;
};

#endif
