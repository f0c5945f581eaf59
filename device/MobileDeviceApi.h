/* The Mobile Device entry points the driver layer resolves, with Apple's
 * types and calling convention. The driver layer never links against them: it
 * takes their types from here and their addresses from the loaded library.
 *
 * The Linux Mobile Device library implements them over libimobiledevice:
 * - AMDeviceNotificationSubscribe delivers kAMDeviceNotificationConnected and
 *   kAMDeviceNotificationDisconnected records, in order, from a thread of the
 *   library's own; devices already present arrive first. A device keeps its
 *   reference until it departs; a device that comes back may get the same
 *   reference again. References stay valid for the life of the process.
 * - AMDeviceConnect opens a lockdownd connection (no pairing), and
 *   AMDeviceDisconnect closes it and any session.
 * - AMDeviceStartSession pairs when needed (the device asks "Trust this
 *   computer?") and starts a session; nested calls count, and the session ends
 *   at the matching AMDeviceStopSession or at AMDeviceDisconnect.
 * - AMDeviceCopyValue reads a lockdownd value (through the session when one is
 *   running) into a Core Foundation object the caller releases.
 * - AMDeviceGetInterfaceType gives kAMDInterfaceTypeUSB or
 *   kAMDInterfaceTypeNetwork.
 * - Every other entry point is unsupported: it returns kAMDUnsupportedError
 *   (AMDeviceGetConnectionID and AFCConnectionGetIOTimeout return 0,
 *   AMDServiceConnectionGetSocket -1, AMDeviceCopyDeviceIdentifier null) and
 *   clears its out-parameters. AFC connections cannot be opened, so
 *   AFCConnectionClose has nothing to close.
 * All entry points may be called from any thread; calls on one device are
 * serialised. */
#ifndef CORVINA_MOBILEDEVICEAPI_H
#define CORVINA_MOBILEDEVICEAPI_H

#include "CoreFoundationApi.h"

#define AMD_API CORVINA_DRIVER_EXPORT

#ifdef __cplusplus
extern "C" {
#endif

typedef int mach_error_t;
typedef struct AMDevice* AMDeviceRef;
typedef struct AMDeviceNotification* AMDeviceNotificationRef;
typedef struct AMDServiceConnection* AMDServiceConnectionRef;
typedef struct AFCConnection* AFCConnectionRef;
typedef struct AFCDictionary* AFCDictionaryRef;
typedef struct AFCDirectory* AFCDirectoryRef;
typedef uint64_t AFCFileRef;

/* Results, in Apple's numbering. */
#define kAMDSuccess ((mach_error_t)0)
#define kAMDUndefinedError ((mach_error_t)0xE8000001)
#define kAMDInvalidArgumentError ((mach_error_t)0xE8000007)
#define kAMDNotFoundError ((mach_error_t)0xE8000008)             /* device not reachable through usbmuxd */
#define kAMDNotConnectedError ((mach_error_t)0xE800000B)         /* AMDeviceConnect missing or lost */
#define kAMDUnsupportedError ((mach_error_t)0xE800000F)          /* entry point not offered by this library */
#define kAMDPasswordProtectedError ((mach_error_t)0xE800001A)    /* device locked with a passcode */
#define kAMDSessionInactiveError ((mach_error_t)0xE800001E)      /* AMDeviceStopSession without a session */
#define kAMDPairingDialogPendingError ((mach_error_t)0xE8000095) /* "Trust this computer?" not answered yet */
#define kAMDUserDeniedPairingError ((mach_error_t)0xE8000096)    /* the user chose "Don't Trust" */

/* Interface types (AMDeviceGetInterfaceType). */
enum {
    kAMDInterfaceTypeUnknown = 0,
    kAMDInterfaceTypeUSB = 1,
    kAMDInterfaceTypeNetwork = 2
};

/* Messages of the notification record. */
enum {
    kAMDeviceNotificationConnected = 1,
    kAMDeviceNotificationDisconnected = 2
};

/* What the notification callback receives; valid during the call only. */
typedef struct AMDeviceNotificationCallbackInfo {
    AMDeviceRef device;
    unsigned int msg;
    AMDeviceNotificationRef subscription;
} AMDeviceNotificationCallbackInfo;

typedef void(CORVINA_DRIVER_CALL* AMDeviceNotificationCallback)(AMDeviceNotificationCallbackInfo* info,
                                                                void* context);
typedef void(CORVINA_DRIVER_CALL* AMDeviceProgressCallback)(CFDictionaryRef status, void* context);
typedef void(CORVINA_DRIVER_CALL* AMRecoveryDeviceCallback)(void* device);

/* Table A, in resolution order. */
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceTransferApplication(int serviceSocket, CFStringRef path,
                                                                    CFDictionaryRef options,
                                                                    AMDeviceProgressCallback callback,
                                                                    void* context);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceInstallApplication(int serviceSocket, CFStringRef path,
                                                                   CFDictionaryRef options,
                                                                   AMDeviceProgressCallback callback,
                                                                   void* context);
AMD_API CFStringRef CORVINA_DRIVER_CALL AMDeviceCopyDeviceIdentifier(AMDeviceRef device);
AMD_API CFTypeRef CORVINA_DRIVER_CALL AMDeviceCopyValue(AMDeviceRef device, CFStringRef domain, CFStringRef key);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceNotificationSubscribe(AMDeviceNotificationCallback callback,
                                                                      unsigned int unused0, unsigned int unused1,
                                                                      void* context,
                                                                      AMDeviceNotificationRef* notification);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMRestoreRegisterForDeviceNotifications(
    AMRecoveryDeviceCallback dfuConnected, AMRecoveryDeviceCallback recoveryConnected,
    AMRecoveryDeviceCallback dfuDisconnected, AMRecoveryDeviceCallback recoveryDisconnected, unsigned int unused,
    void* context);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceNotificationUnsubscribe(AMDeviceNotificationRef notification);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceConnect(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceDisconnect(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceIsPaired(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDevicePair(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceUnpair(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceValidatePairing(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceStartSession(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceStopSession(AMDeviceRef device);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceStartService(AMDeviceRef device, CFStringRef serviceName,
                                                             int* serviceSocket, unsigned int* unknown);
AMD_API mach_error_t CORVINA_DRIVER_CALL AMDeviceSecureStartService(AMDeviceRef device, CFStringRef serviceName,
                                                                   CFDictionaryRef options,
                                                                   AMDServiceConnectionRef* serviceConnection);
AMD_API int CORVINA_DRIVER_CALL AMDServiceConnectionGetSocket(AMDServiceConnectionRef connection);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCDeviceInfoOpen(AFCConnectionRef connection, AFCDictionaryRef* info);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCConnectionOpen(int serviceSocket, unsigned int ioTimeout,
                                                          AFCConnectionRef* connection);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCConnectionClose(AFCConnectionRef connection);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileInfoOpen(AFCConnectionRef connection, const char* path,
                                                        AFCDictionaryRef* info);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCKeyValueRead(AFCDictionaryRef dictionary, char** key, char** value);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCKeyValueClose(AFCDictionaryRef dictionary);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCDirectoryOpen(AFCConnectionRef connection, const char* path,
                                                         AFCDirectoryRef* directory);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCDirectoryClose(AFCConnectionRef connection, AFCDirectoryRef directory);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCDirectoryRead(AFCConnectionRef connection, AFCDirectoryRef directory,
                                                         char** entry);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCDirectoryCreate(AFCConnectionRef connection, const char* path);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCRenamePath(AFCConnectionRef connection, const char* oldPath,
                                                      const char* newPath);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCRemovePath(AFCConnectionRef connection, const char* path);
AMD_API mach_error_t CORVINA_DRIVER_CALL USBMuxConnectByPort(unsigned int connectionId, unsigned short port,
                                                            int* serviceSocket);
AMD_API unsigned int CORVINA_DRIVER_CALL AMDeviceGetConnectionID(AMDeviceRef device);
AMD_API int CORVINA_DRIVER_CALL AMDeviceGetInterfaceType(AMDeviceRef device);
AMD_API unsigned int CORVINA_DRIVER_CALL AFCConnectionGetIOTimeout(AFCConnectionRef connection);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCConnectionSetIOTimeout(AFCConnectionRef connection, unsigned int timeout);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileRefOpen(AFCConnectionRef connection, const char* path,
                                                       uint64_t mode, AFCFileRef* file);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileRefRead(AFCConnectionRef connection, AFCFileRef file, void* buffer,
                                                       unsigned int* length);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileRefSeek(AFCConnectionRef connection, AFCFileRef file,
                                                       int64_t offset, uint64_t whence);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileRefClose(AFCConnectionRef connection, AFCFileRef file);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileRefWrite(AFCConnectionRef connection, AFCFileRef file,
                                                        const void* buffer, unsigned int length);
AMD_API mach_error_t CORVINA_DRIVER_CALL AFCFileRefSetFileSize(AFCConnectionRef connection, AFCFileRef file,
                                                              uint64_t size);

#ifdef __cplusplus
}
#endif

#endif
