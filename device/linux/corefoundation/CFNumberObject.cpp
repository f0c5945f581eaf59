#include "CFNumberObject.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

template<typename T>
T ReadAs(const void* value)
{
    T result;
    std::memcpy(&result, value, sizeof result);
    return result;
}

template<typename T>
void WriteAs(T result, void* value)
{
    std::memcpy(value, &result, sizeof result);
}

template<typename T>
bool StoreInteger(std::int64_t integer, void* value)
{
    WriteAs(static_cast<T>(integer), value);
    return integer >= static_cast<std::int64_t>(std::numeric_limits<T>::min())
           && integer <= static_cast<std::int64_t>(std::numeric_limits<T>::max());
}

template<typename T>
bool StoreRealAsInteger(double real, void* value)
{
    // 2^63 itself is out of range; every double below it converts.
    const double limit = std::ldexp(1.0, std::numeric_limits<T>::digits);
    if (!std::isfinite(real) || real >= limit || real < -limit) {
        WriteAs(static_cast<T>(0), value);
        return false;
    }
    const T integer = static_cast<T>(real);
    WriteAs(integer, value);
    return static_cast<double>(integer) == real;
}

} // namespace

CFNumberObject::CFNumberObject(CFNumberType storageType, std::int64_t integer, double real)
    : CFObject(kTypeId, false)
    , m_storageType(storageType)
    , m_integer(integer)
    , m_real(real)
{
}

CFNumberType CFNumberObject::StorageTypeOf(CFNumberType type)
{
    switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return kCFNumberSInt8Type;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return kCFNumberSInt16Type;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
        return kCFNumberSInt32Type;
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType:
        return kCFNumberSInt64Type;
    case kCFNumberLongType:
        return sizeof(long) == 8 ? kCFNumberSInt64Type : kCFNumberSInt32Type;
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType:
        return sizeof(CFIndex) == 8 ? kCFNumberSInt64Type : kCFNumberSInt32Type;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        return kCFNumberFloat32Type;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType:
        return kCFNumberFloat64Type;
    default:
        return 0;
    }
}

CFNumberObject* CFNumberObject::Create(CFNumberType type, const void* value)
{
    const CFNumberType storageType = StorageTypeOf(type);
    if (storageType == 0 || value == nullptr)
        return nullptr;
    switch (storageType) {
    case kCFNumberSInt8Type:
        return new CFNumberObject(storageType, ReadAs<std::int8_t>(value), 0.0);
    case kCFNumberSInt16Type:
        return new CFNumberObject(storageType, ReadAs<std::int16_t>(value), 0.0);
    case kCFNumberSInt32Type:
        return new CFNumberObject(storageType, ReadAs<std::int32_t>(value), 0.0);
    case kCFNumberSInt64Type:
        return new CFNumberObject(storageType, ReadAs<std::int64_t>(value), 0.0);
    case kCFNumberFloat32Type:
        return new CFNumberObject(storageType, 0, ReadAs<float>(value));
    default:
        return new CFNumberObject(storageType, 0, ReadAs<double>(value));
    }
}

CFNumberObject* CFNumberObject::FromInteger(std::int64_t value)
{
    return new CFNumberObject(kCFNumberSInt64Type, value, 0.0);
}

CFNumberObject* CFNumberObject::FromReal(double value)
{
    return new CFNumberObject(kCFNumberFloat64Type, 0, value);
}

bool CFNumberObject::IsReal() const
{
    return m_storageType == kCFNumberFloat32Type || m_storageType == kCFNumberFloat64Type;
}

CFIndex CFNumberObject::ByteSize() const
{
    switch (m_storageType) {
    case kCFNumberSInt8Type:
        return 1;
    case kCFNumberSInt16Type:
        return 2;
    case kCFNumberSInt32Type:
    case kCFNumberFloat32Type:
        return 4;
    default:
        return 8;
    }
}

bool CFNumberObject::GetValue(CFNumberType type, void* value) const
{
    const CFNumberType target = StorageTypeOf(type);
    if (target == 0 || value == nullptr)
        return false;
    if (target == kCFNumberFloat32Type || target == kCFNumberFloat64Type) {
        const double real = IsReal() ? m_real : static_cast<double>(m_integer);
        std::int64_t exact = 0;
        if (target == kCFNumberFloat64Type) {
            WriteAs(real, value);
            return IsReal() || (StoreRealAsInteger<std::int64_t>(real, &exact) && exact == m_integer);
        }
        const float narrow = static_cast<float>(real);
        WriteAs(narrow, value);
        return static_cast<double>(narrow) == real || std::isnan(real);
    }
    switch (target) {
    case kCFNumberSInt8Type:
        return IsReal() ? StoreRealAsInteger<std::int8_t>(m_real, value) : StoreInteger<std::int8_t>(m_integer, value);
    case kCFNumberSInt16Type:
        return IsReal() ? StoreRealAsInteger<std::int16_t>(m_real, value) : StoreInteger<std::int16_t>(m_integer, value);
    case kCFNumberSInt32Type:
        return IsReal() ? StoreRealAsInteger<std::int32_t>(m_real, value) : StoreInteger<std::int32_t>(m_integer, value);
    default:
        return IsReal() ? StoreRealAsInteger<std::int64_t>(m_real, value) : StoreInteger<std::int64_t>(m_integer, value);
    }
}

bool CFNumberObject::Equals(const CFObject& other) const
{
    const CFNumberObject* number = As<CFNumberObject>(other.Ref());
    if (number == nullptr)
        return false;
    if (!IsReal() && !number->IsReal())
        return number->m_integer == m_integer;
    const double mine = IsReal() ? m_real : static_cast<double>(m_integer);
    const double theirs = number->IsReal() ? number->m_real : static_cast<double>(number->m_integer);
    return mine == theirs;
}

plist_t CFNumberObject::ToPlist() const
{
    // libplist keeps integers as 64 bits and writes them signed.
    return IsReal() ? plist_new_real(m_real) : plist_new_uint(static_cast<uint64_t>(m_integer));
}
