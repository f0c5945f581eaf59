// Between Core Foundation objects and libplist nodes, and in and out of the
// XML and binary property-list formats.
#ifndef CORVINA_CFPROPERTYLISTBRIDGE_H
#define CORVINA_CFPROPERTYLISTBRIDGE_H

#include "CFObject.h"

#include <string>

class CFPropertyListBridge
{
public:
    // A new object (one reference for the caller); null for an empty node.
    // Integers are read as signed 64-bit values: libplist 2.2 does not tell a
    // value above 2^63 - 1 from a negative one.
    static CFObject* FromPlist(plist_t node);

    // Parses XML or binary property-list bytes; null when they are neither.
    static CFObject* FromBytes(const UInt8* bytes, CFIndex length, bool* binary);

    // The XML property list of an object; false when it cannot be written.
    static bool ToXml(const CFObject& object, std::string& xml);

private:
    static CFObject* ArrayFromPlist(plist_t node);
    static CFObject* DictionaryFromPlist(plist_t node);
    static CFObject* StringFromPlist(plist_t node);
};

#endif
