// A number. Like Apple's library it keeps each number in one of six storage
// types chosen by the size of the type it was created with (kCFNumberIntType
// becomes kCFNumberSInt32Type, kCFNumberDoubleType kCFNumberFloat64Type...)
// and reports that storage type and its size.
#ifndef CORVINA_CFNUMBEROBJECT_H
#define CORVINA_CFNUMBEROBJECT_H

#include "CFObject.h"

#include <cstdint>

class CFNumberObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kNumberTypeId;

    // Null for an unknown type or a null value.
    static CFNumberObject* Create(CFNumberType type, const void* value);
    static CFNumberObject* FromInteger(std::int64_t value);
    static CFNumberObject* FromReal(double value);

    CFNumberType StorageType() const { return m_storageType; }
    CFIndex ByteSize() const;

    // Writes the value as the given type; false when the type is unknown or
    // the value does not fit it exactly (the nearest value is still written).
    bool GetValue(CFNumberType type, void* value) const;

    bool Equals(const CFObject& other) const override;
    plist_t ToPlist() const override;

private:
    CFNumberObject(CFNumberType storageType, std::int64_t integer, double real);

    // The storage type for any number type; 0 for an unknown one.
    static CFNumberType StorageTypeOf(CFNumberType type);
    bool IsReal() const;

    const CFNumberType m_storageType;
    const std::int64_t m_integer;
    const double m_real;
};

#endif
