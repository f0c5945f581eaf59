// Text of one Core Foundation value, read through the driver's entry-point
// table: strings as they are, arrays and dictionaries as XML property lists,
// booleans as U+662F (true) or U+5426 (false), signed 8- to 64-bit numbers in
// decimal; anything else gives empty text.
#ifndef CORVINA_CFVALUETOTEXT_H
#define CORVINA_CFVALUETOTEXT_H

#include "CoreFoundationApi.h"

#include <QString>

QString CFValueToText(CFTypeRef value);

#endif
