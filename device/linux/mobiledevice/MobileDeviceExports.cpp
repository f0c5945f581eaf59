// The Mobile Device library's entry points (see MobileDeviceApi.h for what
// each one does here). Unsupported ones clear their out-parameters and return
// kAMDUnsupportedError, 0, -1 or null as their type allows.
#include "AMDevice.h"
#include "DeviceEventHub.h"

namespace {

template<typename T>
void Clear(T* out, T value)
{
    if (out != nullptr)
        *out = value;
}

} // namespace

extern "C" {

mach_error_t AMDeviceNotificationSubscribe(AMDeviceNotificationCallback callback, unsigned int, unsigned int,
                                           void* context, AMDeviceNotificationRef* notification)
{
    Clear<AMDeviceNotificationRef>(notification, nullptr);
    return DeviceEventHub::Instance().Subscribe(callback, context, notification);
}

mach_error_t AMDeviceConnect(AMDeviceRef device)
{
    return device != nullptr ? device->Connect() : kAMDInvalidArgumentError;
}

mach_error_t AMDeviceDisconnect(AMDeviceRef device)
{
    return device != nullptr ? device->Disconnect() : kAMDInvalidArgumentError;
}

mach_error_t AMDeviceStartSession(AMDeviceRef device)
{
    return device != nullptr ? device->StartSession() : kAMDInvalidArgumentError;
}

mach_error_t AMDeviceStopSession(AMDeviceRef device)
{
    return device != nullptr ? device->StopSession() : kAMDInvalidArgumentError;
}

CFTypeRef AMDeviceCopyValue(AMDeviceRef device, CFStringRef domain, CFStringRef key)
{
    return device != nullptr ? device->CopyValue(domain, key) : nullptr;
}

int AMDeviceGetInterfaceType(AMDeviceRef device)
{
    return device != nullptr ? device->InterfaceType() : kAMDInterfaceTypeUnknown;
}

mach_error_t AFCConnectionClose(AFCConnectionRef connection)
{
    // No AFC connection can be opened here, so none can be closed.
    return connection != nullptr ? kAMDUnsupportedError : kAMDInvalidArgumentError;
}

mach_error_t AMDeviceTransferApplication(int, CFStringRef, CFDictionaryRef, AMDeviceProgressCallback, void*)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceInstallApplication(int, CFStringRef, CFDictionaryRef, AMDeviceProgressCallback, void*)
{
    return kAMDUnsupportedError;
}

CFStringRef AMDeviceCopyDeviceIdentifier(AMDeviceRef)
{
    return nullptr;
}

mach_error_t AMRestoreRegisterForDeviceNotifications(AMRecoveryDeviceCallback, AMRecoveryDeviceCallback,
                                                     AMRecoveryDeviceCallback, AMRecoveryDeviceCallback,
                                                     unsigned int, void*)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceNotificationUnsubscribe(AMDeviceNotificationRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceIsPaired(AMDeviceRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDevicePair(AMDeviceRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceUnpair(AMDeviceRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceValidatePairing(AMDeviceRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceStartService(AMDeviceRef, CFStringRef, int* serviceSocket, unsigned int* unknown)
{
    Clear(serviceSocket, -1);
    Clear(unknown, 0u);
    return kAMDUnsupportedError;
}

mach_error_t AMDeviceSecureStartService(AMDeviceRef, CFStringRef, CFDictionaryRef,
                                        AMDServiceConnectionRef* serviceConnection)
{
    Clear<AMDServiceConnectionRef>(serviceConnection, nullptr);
    return kAMDUnsupportedError;
}

int AMDServiceConnectionGetSocket(AMDServiceConnectionRef)
{
    return -1;
}

mach_error_t AFCDeviceInfoOpen(AFCConnectionRef, AFCDictionaryRef* info)
{
    Clear<AFCDictionaryRef>(info, nullptr);
    return kAMDUnsupportedError;
}

mach_error_t AFCConnectionOpen(int, unsigned int, AFCConnectionRef* connection)
{
    Clear<AFCConnectionRef>(connection, nullptr);
    return kAMDUnsupportedError;
}

mach_error_t AFCFileInfoOpen(AFCConnectionRef, const char*, AFCDictionaryRef* info)
{
    Clear<AFCDictionaryRef>(info, nullptr);
    return kAMDUnsupportedError;
}

mach_error_t AFCKeyValueRead(AFCDictionaryRef, char** key, char** value)
{
    Clear<char*>(key, nullptr);
    Clear<char*>(value, nullptr);
    return kAMDUnsupportedError;
}

mach_error_t AFCKeyValueClose(AFCDictionaryRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCDirectoryOpen(AFCConnectionRef, const char*, AFCDirectoryRef* directory)
{
    Clear<AFCDirectoryRef>(directory, nullptr);
    return kAMDUnsupportedError;
}

mach_error_t AFCDirectoryClose(AFCConnectionRef, AFCDirectoryRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCDirectoryRead(AFCConnectionRef, AFCDirectoryRef, char** entry)
{
    Clear<char*>(entry, nullptr);
    return kAMDUnsupportedError;
}

mach_error_t AFCDirectoryCreate(AFCConnectionRef, const char*)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCRenamePath(AFCConnectionRef, const char*, const char*)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCRemovePath(AFCConnectionRef, const char*)
{
    return kAMDUnsupportedError;
}

mach_error_t USBMuxConnectByPort(unsigned int, unsigned short, int* serviceSocket)
{
    Clear(serviceSocket, -1);
    return kAMDUnsupportedError;
}

unsigned int AMDeviceGetConnectionID(AMDeviceRef)
{
    return 0;
}

unsigned int AFCConnectionGetIOTimeout(AFCConnectionRef)
{
    return 0;
}

mach_error_t AFCConnectionSetIOTimeout(AFCConnectionRef, unsigned int)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCFileRefOpen(AFCConnectionRef, const char*, uint64_t, AFCFileRef* file)
{
    Clear<AFCFileRef>(file, 0);
    return kAMDUnsupportedError;
}

mach_error_t AFCFileRefRead(AFCConnectionRef, AFCFileRef, void*, unsigned int* length)
{
    Clear(length, 0u);
    return kAMDUnsupportedError;
}

mach_error_t AFCFileRefSeek(AFCConnectionRef, AFCFileRef, int64_t, uint64_t)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCFileRefClose(AFCConnectionRef, AFCFileRef)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCFileRefWrite(AFCConnectionRef, AFCFileRef, const void*, unsigned int)
{
    return kAMDUnsupportedError;
}

mach_error_t AFCFileRefSetFileSize(AFCConnectionRef, AFCFileRef, uint64_t)
{
    return kAMDUnsupportedError;
}

} // extern "C"
