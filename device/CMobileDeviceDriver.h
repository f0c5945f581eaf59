// Loads the Mobile Device and Core Foundation libraries from the program
// folder, resolves every entry point the system knows into one process-wide
// table and subscribes to device arrival and departure. Nothing is unloaded.
// Free of Qt, so that the Windows side compiles with a plain cross compiler.
#ifndef CORVINA_CMOBILEDEVICEDRIVER_H
#define CORVINA_CMOBILEDEVICEDRIVER_H

#include "DeviceNotificationArgs.h"
#include "MobileDeviceEntryPoints.h"

#include <string>

class DriverPlatform;

// Why LoadDriver failed, so that the user can be told what is missing.
struct DriverLoadFailure
{
    enum Kind {
        None,
        LibraryMissing,     // a library file is not in the program folder
        LibraryNotLoadable, // the file is there, but the system cannot load it (a library it needs is missing)
        LibraryIncomplete,  // loaded, but an entry point is missing or the subscription was refused
    };
    Kind kind = None;
    std::wstring library;   // the file name of the library concerned
    std::string systemText; // what the system said (its loader's message, a missing entry point's name)
};

class CMobileDeviceDriver
{
public:
    // Called once, from the user-interface thread, before any notification
    // can arrive. True when both libraries are loaded, every entry point is
    // resolved and the subscription is in place; from then on pfnHandler is
    // called with pContext on the library's notification thread. A call made
    // while both libraries are present already returns true and changes
    // nothing. Writes no log line: the caller reports a failure.
    // programFolder is the folder start-up found the program in (Windows asks
    // the system for the running executable's folder instead).
    // On failure *pFailure (when given) tells why.
    static bool LoadDriver(void* pContext, DeviceNotificationHandler pfnHandler, const std::wstring& programFolder,
                           DriverLoadFailure* pFailure = nullptr);

    // The same with the operating-system calls of platform.
    static bool LoadDriver(void* pContext, DeviceNotificationHandler pfnHandler, DriverPlatform& platform,
                           DriverLoadFailure* pFailure = nullptr);

    // The table; every slot is set after a successful LoadDriver and may then
    // be read from any thread.
    static const MobileDeviceEntryPoints& EntryPoints();

    // AMDeviceGetInterfaceType through the table: 1 for USB, 2 for network;
    // 0 before the driver is loaded.
    static int GetInterfaceType(void* pAMDevice);

    // Run as the process ends (LoadDriver arranges it): waits for a
    // notification the handler is busy with and lets no later one reach it,
    // because the library keeps delivering while the objects the handler
    // uses are being destroyed. A later LoadDriver delivers again.
    static void EndDeliveries();

private:
    static std::wstring SupportFolders(DriverPlatform& platform);
    static void AppendMobileDeviceSupportFolder(DriverPlatform& platform, const std::wstring& drive,
                                                std::wstring& prefix);
    static void AppendApplicationSupportFolder(DriverPlatform& platform, const std::wstring& drive,
                                               std::wstring& prefix);
    static bool AppendFirstExistingFolder(DriverPlatform& platform, const std::wstring& drive,
                                          const wchar_t* const candidates[2], std::wstring& prefix);
    static void ExtendSearchPath(DriverPlatform& platform, const std::wstring& prefix);
    static bool LoadLibraries(DriverPlatform& platform, const std::wstring& folder, DriverLoadFailure& failure);
    static bool LoadBothLibraries(DriverPlatform& platform, const std::wstring& folder);
    static void LoadSupportLibraries(DriverPlatform& platform, const std::wstring& folder);
    static bool ResolveEntryPoints(DriverPlatform& platform, DriverLoadFailure& failure);
    static void CORVINA_DRIVER_CALL NotificationCallback(AMDeviceNotificationCallbackInfo* pInfo, void* pUnused);
};

#endif
