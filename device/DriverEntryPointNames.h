// The entry points the driver layer resolves, by library, in resolution order.
// X(name) is applied to each; every name is required.
#ifndef CORVINA_DRIVERENTRYPOINTNAMES_H
#define CORVINA_DRIVERENTRYPOINTNAMES_H

// Table A: the Mobile Device library.
#define CORVINA_ENTRY_POINTS_A(X) \
    X(AMDeviceTransferApplication) \
    X(AMDeviceInstallApplication) \
    X(AMDeviceCopyDeviceIdentifier) \
    X(AMDeviceCopyValue) \
    X(AMDeviceNotificationSubscribe) \
    X(AMRestoreRegisterForDeviceNotifications) \
    X(AMDeviceNotificationUnsubscribe) \
    X(AMDeviceConnect) \
    X(AMDeviceDisconnect) \
    X(AMDeviceIsPaired) \
    X(AMDevicePair) \
    X(AMDeviceUnpair) \
    X(AMDeviceValidatePairing) \
    X(AMDeviceStartSession) \
    X(AMDeviceStopSession) \
    X(AMDeviceStartService) \
    X(AMDeviceSecureStartService) \
    X(AMDServiceConnectionGetSocket) \
    X(AFCDeviceInfoOpen) \
    X(AFCConnectionOpen) \
    X(AFCConnectionClose) \
    X(AFCFileInfoOpen) \
    X(AFCKeyValueRead) \
    X(AFCKeyValueClose) \
    X(AFCDirectoryOpen) \
    X(AFCDirectoryClose) \
    X(AFCDirectoryRead) \
    X(AFCDirectoryCreate) \
    X(AFCRenamePath) \
    X(AFCRemovePath) \
    X(USBMuxConnectByPort) \
    X(AMDeviceGetConnectionID) \
    X(AMDeviceGetInterfaceType) \
    X(AFCConnectionGetIOTimeout) \
    X(AFCConnectionSetIOTimeout) \
    X(AFCFileRefOpen) \
    X(AFCFileRefRead) \
    X(AFCFileRefSeek) \
    X(AFCFileRefClose) \
    X(AFCFileRefWrite) \
    X(AFCFileRefSetFileSize)

// Table B: the Core Foundation library.
#define CORVINA_ENTRY_POINTS_B(X) \
    X(CFDictionaryCreate) \
    X(CFDictionaryGetValue) \
    X(CFNumberCreate) \
    X(CFEqual) \
    X(CFDictionaryGetCount) \
    X(CFDictionaryGetKeysAndValues) \
    X(CFWriteStreamCreateWithFile) \
    X(CFReadStreamCreateWithFile) \
    X(CFStringCreateWithCString) \
    X(CFURLCreateWithFileSystemPath) \
    X(CFReadStreamOpen) \
    X(CFWriteStreamOpen) \
    X(CFPropertyListCreateFromStream) \
    X(CFReadStreamClose) \
    X(CFPropertyListIsValid) \
    X(CFPropertyListWriteToStream) \
    X(CFWriteStreamClose) \
    X(CFRelease) \
    X(CFURLCreateDataAndPropertiesFromResource) \
    X(CFPropertyListCreateFromXMLData) \
    X(CFPropertyListCreateXMLData) \
    X(CFURLWriteDataAndPropertiesToResource) \
    X(CFPropertyListCreateWithData) \
    X(__CFStringMakeConstantString) \
    X(CFStringGetCharactersPtr) \
    X(CFDataCreate) \
    X(CFDataGetBytePtr) \
    X(CFGetTypeID) \
    X(CFStringGetTypeID) \
    X(CFDictionaryGetTypeID) \
    X(CFBooleanGetTypeID) \
    X(CFNumberGetTypeID) \
    X(CFDataGetTypeID) \
    X(CFArrayGetTypeID) \
    X(CFStringGetLength) \
    X(CFStringGetCharacters) \
    X(CFNumberGetByteSize) \
    X(CFNumberGetType) \
    X(CFNumberGetValue) \
    X(CFBooleanGetValue) \
    X(CFArrayCreate) \
    X(CFArrayGetCount) \
    X(CFArrayGetValueAtIndex) \
    X(CFDataGetLength) \
    X(CFDataGetBytes)

#endif
