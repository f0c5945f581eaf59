// A run of bytes.
#ifndef CORVINA_CFDATAOBJECT_H
#define CORVINA_CFDATAOBJECT_H

#include "CFObject.h"

#include <vector>

class CFDataObject final : public CFObject
{
public:
    static const CFTypeID kTypeId = kDataTypeId;

    explicit CFDataObject(std::vector<UInt8> bytes);

    const std::vector<UInt8>& Bytes() const { return m_bytes; }

    bool Equals(const CFObject& other) const override;
    plist_t ToPlist() const override;

private:
    const std::vector<UInt8> m_bytes;
};

#endif
