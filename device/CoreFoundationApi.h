/* The Core Foundation entry points the driver layer resolves, with Apple's
 * types and calling convention. The driver layer never links against them: it
 * takes their types from here and their addresses from the loaded library.
 * The Linux Core Foundation library implements them (and a few more, marked
 * below) over libplist. */
#ifndef CORVINA_COREFOUNDATIONAPI_H
#define CORVINA_COREFOUNDATIONAPI_H

#include <stdint.h>

#if defined(_WIN32)
#define CORVINA_DRIVER_CALL __cdecl
#else
#define CORVINA_DRIVER_CALL
#endif

#if defined(CORVINA_BUILDING_DRIVER_LIBRARY) && defined(__GNUC__)
#define CORVINA_DRIVER_EXPORT __attribute__((visibility("default")))
#else
#define CORVINA_DRIVER_EXPORT
#endif

#define CF_API CORVINA_DRIVER_EXPORT

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char Boolean;
typedef uint8_t UInt8;
typedef int32_t SInt32;
typedef uint16_t UniChar;
typedef uint32_t CFStringEncoding;
typedef intptr_t CFIndex;
typedef uintptr_t CFTypeID;
typedef uintptr_t CFOptionFlags;
typedef CFIndex CFNumberType;
typedef CFIndex CFPropertyListFormat;
typedef CFIndex CFURLPathStyle;

typedef struct {
    CFIndex location;
    CFIndex length;
} CFRange;

typedef const void* CFTypeRef;
typedef CFTypeRef CFPropertyListRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFNumber* CFNumberRef;
typedef const struct __CFBoolean* CFBooleanRef;
typedef const struct __CFData* CFDataRef;
typedef const struct __CFArray* CFArrayRef;
typedef const struct __CFDictionary* CFDictionaryRef;
typedef const struct __CFURL* CFURLRef;
typedef struct __CFReadStream* CFReadStreamRef;
typedef struct __CFWriteStream* CFWriteStreamRef;
typedef struct __CFError* CFErrorRef;
typedef struct CFArrayCallBacks CFArrayCallBacks;
typedef struct CFDictionaryKeyCallBacks CFDictionaryKeyCallBacks;
typedef struct CFDictionaryValueCallBacks CFDictionaryValueCallBacks;

/* Number types (CFNumberType). A number reports the type it is stored as:
 * the first six, chosen by size. */
enum {
    kCFNumberSInt8Type = 1,
    kCFNumberSInt16Type = 2,
    kCFNumberSInt32Type = 3,
    kCFNumberSInt64Type = 4,
    kCFNumberFloat32Type = 5,
    kCFNumberFloat64Type = 6,
    kCFNumberCharType = 7,
    kCFNumberShortType = 8,
    kCFNumberIntType = 9,
    kCFNumberLongType = 10,
    kCFNumberLongLongType = 11,
    kCFNumberFloatType = 12,
    kCFNumberDoubleType = 13,
    kCFNumberCFIndexType = 14,
    kCFNumberNSIntegerType = 15,
    kCFNumberCGFloatType = 16
};

/* Text encodings accepted for C strings. */
enum {
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingUTF8 = 0x08000100
};

enum {
    kCFPropertyListXMLFormat_v1_0 = 100,
    kCFPropertyListBinaryFormat_v1_0 = 200
};

/* Table B, in resolution order. Create and Copy functions hand the caller a
 * reference to release with CFRelease; Get functions do not. */
CF_API CFDictionaryRef CORVINA_DRIVER_CALL CFDictionaryCreate(CFAllocatorRef allocator, const void** keys,
                                                             const void** values, CFIndex numValues,
                                                             const CFDictionaryKeyCallBacks* keyCallBacks,
                                                             const CFDictionaryValueCallBacks* valueCallBacks);
CF_API const void* CORVINA_DRIVER_CALL CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);
CF_API CFNumberRef CORVINA_DRIVER_CALL CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType,
                                                     const void* valuePtr);
CF_API Boolean CORVINA_DRIVER_CALL CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CF_API CFIndex CORVINA_DRIVER_CALL CFDictionaryGetCount(CFDictionaryRef theDict);
CF_API void CORVINA_DRIVER_CALL CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys,
                                                            const void** values);
CF_API CFWriteStreamRef CORVINA_DRIVER_CALL CFWriteStreamCreateWithFile(CFAllocatorRef alloc, CFURLRef fileURL);
CF_API CFReadStreamRef CORVINA_DRIVER_CALL CFReadStreamCreateWithFile(CFAllocatorRef alloc, CFURLRef fileURL);
CF_API CFStringRef CORVINA_DRIVER_CALL CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                                                CFStringEncoding encoding);
CF_API CFURLRef CORVINA_DRIVER_CALL CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                                                 CFURLPathStyle pathStyle, Boolean isDirectory);
CF_API Boolean CORVINA_DRIVER_CALL CFReadStreamOpen(CFReadStreamRef stream);
CF_API Boolean CORVINA_DRIVER_CALL CFWriteStreamOpen(CFWriteStreamRef stream);
CF_API CFPropertyListRef CORVINA_DRIVER_CALL CFPropertyListCreateFromStream(CFAllocatorRef allocator,
                                                                           CFReadStreamRef stream,
                                                                           CFIndex streamLength,
                                                                           CFOptionFlags mutabilityOption,
                                                                           CFPropertyListFormat* format,
                                                                           CFStringRef* errorString);
CF_API void CORVINA_DRIVER_CALL CFReadStreamClose(CFReadStreamRef stream);
CF_API Boolean CORVINA_DRIVER_CALL CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format);
CF_API CFIndex CORVINA_DRIVER_CALL CFPropertyListWriteToStream(CFPropertyListRef propertyList,
                                                              CFWriteStreamRef stream,
                                                              CFPropertyListFormat format,
                                                              CFStringRef* errorString);
CF_API void CORVINA_DRIVER_CALL CFWriteStreamClose(CFWriteStreamRef stream);
CF_API void CORVINA_DRIVER_CALL CFRelease(CFTypeRef cf);
CF_API Boolean CORVINA_DRIVER_CALL CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef alloc, CFURLRef url,
                                                                           CFDataRef* resourceData,
                                                                           CFDictionaryRef* properties,
                                                                           CFArrayRef desiredProperties,
                                                                           SInt32* errorCode);
CF_API CFPropertyListRef CORVINA_DRIVER_CALL CFPropertyListCreateFromXMLData(CFAllocatorRef allocator,
                                                                            CFDataRef xmlData,
                                                                            CFOptionFlags mutabilityOption,
                                                                            CFStringRef* errorString);
CF_API CFDataRef CORVINA_DRIVER_CALL CFPropertyListCreateXMLData(CFAllocatorRef allocator,
                                                                CFPropertyListRef propertyList);
CF_API Boolean CORVINA_DRIVER_CALL CFURLWriteDataAndPropertiesToResource(CFURLRef url, CFDataRef dataToWrite,
                                                                        CFDictionaryRef propertiesToWrite,
                                                                        SInt32* errorCode);
CF_API CFPropertyListRef CORVINA_DRIVER_CALL CFPropertyListCreateWithData(CFAllocatorRef allocator, CFDataRef data,
                                                                         CFOptionFlags options,
                                                                         CFPropertyListFormat* format,
                                                                         CFErrorRef* error);
CF_API CFStringRef CORVINA_DRIVER_CALL __CFStringMakeConstantString(const char* cStr);
CF_API const UniChar* CORVINA_DRIVER_CALL CFStringGetCharactersPtr(CFStringRef theString);
CF_API CFDataRef CORVINA_DRIVER_CALL CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
CF_API const UInt8* CORVINA_DRIVER_CALL CFDataGetBytePtr(CFDataRef theData);
CF_API CFTypeID CORVINA_DRIVER_CALL CFGetTypeID(CFTypeRef cf);
CF_API CFTypeID CORVINA_DRIVER_CALL CFStringGetTypeID(void);
CF_API CFTypeID CORVINA_DRIVER_CALL CFDictionaryGetTypeID(void);
CF_API CFTypeID CORVINA_DRIVER_CALL CFBooleanGetTypeID(void);
CF_API CFTypeID CORVINA_DRIVER_CALL CFNumberGetTypeID(void);
CF_API CFTypeID CORVINA_DRIVER_CALL CFDataGetTypeID(void);
CF_API CFTypeID CORVINA_DRIVER_CALL CFArrayGetTypeID(void);
CF_API CFIndex CORVINA_DRIVER_CALL CFStringGetLength(CFStringRef theString);
CF_API void CORVINA_DRIVER_CALL CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
CF_API CFIndex CORVINA_DRIVER_CALL CFNumberGetByteSize(CFNumberRef number);
CF_API CFNumberType CORVINA_DRIVER_CALL CFNumberGetType(CFNumberRef number);
CF_API Boolean CORVINA_DRIVER_CALL CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
CF_API Boolean CORVINA_DRIVER_CALL CFBooleanGetValue(CFBooleanRef boolean);
CF_API CFArrayRef CORVINA_DRIVER_CALL CFArrayCreate(CFAllocatorRef allocator, const void** values,
                                                   CFIndex numValues, const CFArrayCallBacks* callBacks);
CF_API CFIndex CORVINA_DRIVER_CALL CFArrayGetCount(CFArrayRef theArray);
CF_API const void* CORVINA_DRIVER_CALL CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);
CF_API CFIndex CORVINA_DRIVER_CALL CFDataGetLength(CFDataRef theData);
CF_API void CORVINA_DRIVER_CALL CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer);

/* Not resolved by the driver layer; offered by the Linux library for its
 * Mobile Device library and for tests. */
CF_API CFTypeRef CORVINA_DRIVER_CALL CFRetain(CFTypeRef cf);
CF_API Boolean CORVINA_DRIVER_CALL CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                                                     CFStringEncoding encoding);

#ifdef __cplusplus
}
#endif

#endif
