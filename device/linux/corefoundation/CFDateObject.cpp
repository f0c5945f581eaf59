#include "CFDateObject.h"

#include <cmath>

CFDateObject::CFDateObject(double secondsSince2001)
    : CFObject(kTypeId, false)
    , m_seconds(secondsSince2001)
{
}

bool CFDateObject::Equals(const CFObject& other) const
{
    const CFDateObject* date = As<CFDateObject>(other.Ref());
    return date != nullptr && date->m_seconds == m_seconds;
}

plist_t CFDateObject::ToPlist() const
{
    const double seconds = std::floor(m_seconds);
    return plist_new_date(static_cast<int32_t>(seconds), static_cast<int32_t>((m_seconds - seconds) * 1000000.0));
}
