// Between lockdownd's libplist values and the Core Foundation library's
// objects, through the Core Foundation library's own entry points.
#ifndef CORVINA_COREFOUNDATIONBRIDGE_H
#define CORVINA_COREFOUNDATIONBRIDGE_H

#include "CoreFoundationApi.h"

#include <plist/plist.h>

#include <string>

class CoreFoundationBridge
{
public:
    // A Core Foundation object with the node's value (the caller releases
    // it); null when it cannot be made.
    static CFTypeRef CreateValue(plist_t node);

    // The string's text in UTF-8; false for anything but a string.
    static bool Utf8(CFStringRef string, std::string& text);
};

#endif
