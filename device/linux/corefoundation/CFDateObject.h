// A point in time: seconds since 1 January 2001, 00:00 UTC, as Apple counts.
#ifndef CORVINA_CFDATEOBJECT_H
#define CORVINA_CFDATEOBJECT_H

#include "CFObject.h"

class CFDateObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kDateTypeId;

    explicit CFDateObject(double secondsSince2001);

    bool Equals(const CFObject& other) const override;
    plist_t ToPlist() const override;

private:
    const double m_seconds;
};

#endif
