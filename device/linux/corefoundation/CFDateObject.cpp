#include "CFDateObject.h"

#include <cmath>
#include <cstdint>
#include <limits>

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
    // libplist keeps whole seconds in 32 bits: a date beyond them (a damaged
    // or crafted one, or none at all) is written as the nearest it can hold.
    const double seconds = std::floor(m_seconds);
    if (!(seconds >= std::numeric_limits<int32_t>::min() && seconds <= std::numeric_limits<int32_t>::max()))
        return plist_new_date(seconds > 0 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min(), 0);
    return plist_new_date(static_cast<int32_t>(seconds), static_cast<int32_t>((m_seconds - seconds) * 1000000.0));
}
