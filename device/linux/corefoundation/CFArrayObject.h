// An ordered list of objects, each retained while the array lives.
#ifndef CORVINA_CFARRAYOBJECT_H
#define CORVINA_CFARRAYOBJECT_H

#include "CFObject.h"

#include <vector>

class CFArrayObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kArrayTypeId;

    // Takes over one reference to each value.
    explicit CFArrayObject(std::vector<CFObject*> values);

    const std::vector<CFObject*>& Values() const { return m_values; }

    bool Equals(const CFObject& other) const override;
    plist_t ToPlist() const override;

private:
    ~CFArrayObject() override;

    const std::vector<CFObject*> m_values;
};

#endif
