// Base of every object the Linux Core Foundation library hands out. Objects
// are immutable after creation and counted by reference; the count is atomic,
// so objects may be shared and released across threads. Immortal objects (the
// two booleans, constant strings) ignore retain and release.
#ifndef CORVINA_CFOBJECT_H
#define CORVINA_CFOBJECT_H

#include "CoreFoundationApi.h"

#include <plist/plist.h>

#include <atomic>

class CFObject
{
public:
    // Type identifiers, as Apple's library numbers them.
    static const CFTypeID kStringTypeId = 7;
    static const CFTypeID kDictionaryTypeId = 17;
    static const CFTypeID kArrayTypeId = 18;
    static const CFTypeID kDataTypeId = 19;
    static const CFTypeID kBooleanTypeId = 21;
    static const CFTypeID kNumberTypeId = 22;
    static const CFTypeID kDateTypeId = 42;

    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    // The object behind a reference; null for a null reference.
    static CFObject* FromRef(CFTypeRef ref);

    // The object behind a reference when it is of type T, else null.
    template<typename T>
    static const T* As(CFTypeRef ref)
    {
        const CFObject* object = FromRef(ref);
        return object != nullptr && object->TypeId() == T::kTypeId ? static_cast<const T*>(object) : nullptr;
    }

    CFTypeRef Ref() const { return this; }
    CFTypeID TypeId() const { return m_typeId; }

    void Retain();
    void Release();

    // Same type and same content.
    virtual bool Equals(const CFObject& other) const = 0;

    // A new libplist node with the same value (the caller frees it); null when
    // the value cannot be written as a property list.
    virtual plist_t ToPlist() const = 0;

protected:
    CFObject(CFTypeID typeId, bool immortal);
    virtual ~CFObject();

private:
    const CFTypeID m_typeId;
    const bool m_immortal;
    std::atomic<long> m_references;
};

#endif
