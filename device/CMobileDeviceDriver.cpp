#include "CMobileDeviceDriver.h"

#include "DriverPlatform.h"

#include <mutex>

namespace {

const wchar_t kMobileDeviceBaseName[] = L"iTunesMobileDevice";
const wchar_t kCoreFoundationBaseName[] = L"CoreFoundation";

const wchar_t kMobileDeviceSupportKey[] = L"SOFTWARE\\Apple Inc.\\Apple Mobile Device Support\\Shared";
const wchar_t kMobileDeviceSupportValue[] = L"iTunesMobileDeviceDLL";
const wchar_t* const kMobileDeviceSupportFiles[2] = {
    L"\\Program Files (x86)\\Common Files\\Apple\\Mobile Device Support\\iTunesMobileDevice.dll",
    L"\\Program Files\\Common Files\\Apple\\Mobile Device Support\\iTunesMobileDevice.dll",
};

const wchar_t kApplicationSupportKey[] = L"SOFTWARE\\Apple Inc.\\Apple Application Support";
const wchar_t kApplicationSupportValue[] = L"InstallDir";
const wchar_t* const kApplicationSupportFiles[2] = {
    L"\\Program Files (x86)\\Common Files\\Apple\\Apple Application Support\\CoreFoundation.dll",
    L"\\Program Files\\Common Files\\Apple\\Apple Application Support\\CoreFoundation.dll",
};

// Apple's Core Foundation and Mobile Device libraries depend on these; loading
// them by full path first lets the two load when the search path does not
// reach Apple's folders.
const wchar_t* const kSupportLibraries[] = {
    L"ASL.dll",       L"pthreadVC2.dll", L"objc.dll",      L"zlib1.dll",   L"libdispatch.dll",
    L"icudt46.dll",   L"libicuuc.dll",   L"libicuin.dll",  L"libxml2.dll", L"SQLite3.dll",
};

void* g_pCoreFoundationLibrary = nullptr;
void* g_pMobileDeviceLibrary = nullptr;
MobileDeviceEntryPoints g_EntryPoints;
DeviceNotificationHandler g_pfnNotificationHandler = nullptr; // guarded by Deliveries().mutex
void* g_pNotificationContext = nullptr;
AMDeviceNotificationRef g_pSubscription = nullptr;

// Held while the handler runs. Never destroyed: the library's thread may
// still deliver after the process's objects are gone.
struct Deliveries
{
    std::mutex mutex;
    bool bEnded = false;
};

Deliveries& TheDeliveries()
{
    static Deliveries* const deliveries = new Deliveries;
    return *deliveries;
}

struct DeliveryEnd
{
    ~DeliveryEnd() { CMobileDeviceDriver::EndDeliveries(); }
};

// Everything up to and including the last backslash.
std::wstring FolderOf(const std::wstring& path)
{
    const std::wstring::size_type slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

template<typename Slot>
bool Resolve(DriverPlatform& platform, void* library, const char* name, Slot& slot)
{
    const DriverPlatform::EntryPoint entryPoint = platform.FindEntryPoint(library, name);
    slot = reinterpret_cast<Slot>(entryPoint);
    return entryPoint != nullptr;
}

// The library at path could not be loaded: missing, or there but not loadable.
void NoteLoadFailure(DriverPlatform& platform, const std::wstring& path, const std::wstring& fileName,
                     DriverLoadFailure& failure)
{
    failure.kind = platform.FileExists(path) ? DriverLoadFailure::LibraryNotLoadable : DriverLoadFailure::LibraryMissing;
    failure.library = fileName;
    failure.systemText = platform.LastLoadError();
}

} // namespace

bool CMobileDeviceDriver::LoadDriver(void* pContext, DeviceNotificationHandler pfnHandler,
                                     const std::wstring& programFolder, DriverLoadFailure* pFailure)
{
    const std::unique_ptr<DriverPlatform> platform = DriverPlatform::Create(programFolder);
    return LoadDriver(pContext, pfnHandler, *platform, pFailure);
}

bool CMobileDeviceDriver::LoadDriver(void* pContext, DeviceNotificationHandler pfnHandler, DriverPlatform& platform,
                                     DriverLoadFailure* pFailure)
{
    DriverLoadFailure ignored;
    DriverLoadFailure& failure = pFailure != nullptr ? *pFailure : ignored;
    failure = DriverLoadFailure();
    const std::wstring folder = platform.ProgramFolder();
    if (platform.IsLibraryPresent(folder, platform.LibraryFileName(kMobileDeviceBaseName))
        && platform.IsLibraryPresent(folder, platform.LibraryFileName(kCoreFoundationBaseName)))
        return true;

    if (platform.HasSupportSoftware())
        ExtendSearchPath(platform, SupportFolders(platform));

    if (!LoadLibraries(platform, folder, failure) || !ResolveEntryPoints(platform, failure))
        return false;

    // Both tables are complete before the subscription exists: the library
    // starts calling back on its own thread as soon as it does.
    {
        Deliveries& deliveries = TheDeliveries();
        const std::lock_guard<std::mutex> lock(deliveries.mutex);
        g_pfnNotificationHandler = pfnHandler;
        g_pNotificationContext = pContext;
        deliveries.bEnded = false;
    }
    // Made now, so destroyed before every object that existed before it.
    static const DeliveryEnd end;
    if (g_EntryPoints.AMDeviceNotificationSubscribe(&CMobileDeviceDriver::NotificationCallback, 0, 0, nullptr,
                                                    &g_pSubscription)
        == 0)
        return true;
    failure.kind = DriverLoadFailure::LibraryIncomplete;
    failure.library = platform.LibraryFileName(kMobileDeviceBaseName);
    failure.systemText = "AMDeviceNotificationSubscribe refused";
    return false;
}

const MobileDeviceEntryPoints& CMobileDeviceDriver::EntryPoints()
{
    return g_EntryPoints;
}

int CMobileDeviceDriver::GetInterfaceType(void* pAMDevice)
{
    if (g_EntryPoints.AMDeviceGetInterfaceType == nullptr)
        return 0;
    return g_EntryPoints.AMDeviceGetInterfaceType(static_cast<AMDeviceRef>(pAMDevice));
}

std::wstring CMobileDeviceDriver::SupportFolders(DriverPlatform& platform)
{
    const std::wstring windowsFolder = platform.WindowsFolder();
    const std::wstring drive = windowsFolder.substr(0, windowsFolder.find(L':') + 1);
    std::wstring prefix;
    AppendMobileDeviceSupportFolder(platform, drive, prefix);
    AppendApplicationSupportFolder(platform, drive, prefix);
    return prefix;
}

void CMobileDeviceDriver::AppendMobileDeviceSupportFolder(DriverPlatform& platform, const std::wstring& drive,
                                                          std::wstring& prefix)
{
    std::wstring library;
    if (platform.ReadMachineText(kMobileDeviceSupportKey, kMobileDeviceSupportValue, library) && !library.empty())
        prefix = FolderOf(library);
    else
        AppendFirstExistingFolder(platform, drive, kMobileDeviceSupportFiles, prefix);
}

void CMobileDeviceDriver::AppendApplicationSupportFolder(DriverPlatform& platform, const std::wstring& drive,
                                                         std::wstring& prefix)
{
    std::wstring installFolder;
    if (platform.ReadMachineText(kApplicationSupportKey, kApplicationSupportValue, installFolder))
        prefix += L";" + installFolder;
    else
        AppendFirstExistingFolder(platform, drive, kApplicationSupportFiles, prefix);
}

bool CMobileDeviceDriver::AppendFirstExistingFolder(DriverPlatform& platform, const std::wstring& drive,
                                                    const wchar_t* const candidates[2], std::wstring& prefix)
{
    for (int i = 0; i < 2; ++i) {
        const std::wstring file = drive + candidates[i];
        if (platform.FileExists(file)) {
            prefix += L";" + FolderOf(file);
            return true;
        }
    }
    return false;
}

void CMobileDeviceDriver::ExtendSearchPath(DriverPlatform& platform, const std::wstring& prefix)
{
    std::wstring oldPath;
    platform.ReadEnvironment(L"PATH", oldPath);
    platform.WriteEnvironment(L"PATH", prefix + L";" + oldPath);
}

bool CMobileDeviceDriver::LoadLibraries(DriverPlatform& platform, const std::wstring& folder,
                                        DriverLoadFailure& failure)
{
    const bool loaded = LoadBothLibraries(platform, folder);
    if (!loaded) {
        const std::wstring failedName = platform.LibraryFileName(
            g_pCoreFoundationLibrary == nullptr ? kCoreFoundationBaseName : kMobileDeviceBaseName);
        NoteLoadFailure(platform, folder + failedName, failedName, failure);
    }
    return loaded;
}

bool CMobileDeviceDriver::LoadBothLibraries(DriverPlatform& platform, const std::wstring& folder)
{
    // The two always come from the program folder; Apple's folders on the
    // search path serve only the libraries these depend on.
    const std::wstring coreFoundation = folder + platform.LibraryFileName(kCoreFoundationBaseName);
    const std::wstring mobileDevice = folder + platform.LibraryFileName(kMobileDeviceBaseName);
    const bool canRetry = platform.HasSupportSoftware();
    bool supportLoaded = false;

    g_pCoreFoundationLibrary = platform.LoadLibraryFile(coreFoundation);
    if (g_pCoreFoundationLibrary == nullptr) {
        if (!canRetry)
            return false;
        LoadSupportLibraries(platform, folder);
        supportLoaded = true;
        g_pCoreFoundationLibrary = platform.LoadLibraryFile(coreFoundation);
        if (g_pCoreFoundationLibrary == nullptr)
            return false;
    }

    g_pMobileDeviceLibrary = platform.LoadLibraryFile(mobileDevice);
    if (g_pMobileDeviceLibrary == nullptr) {
        if (supportLoaded || !canRetry)
            return false;
        LoadSupportLibraries(platform, folder);
        g_pMobileDeviceLibrary = platform.LoadLibraryFile(mobileDevice);
    }
    return g_pMobileDeviceLibrary != nullptr;
}

void CMobileDeviceDriver::LoadSupportLibraries(DriverPlatform& platform, const std::wstring& folder)
{
    for (const wchar_t* library : kSupportLibraries)
        platform.LoadLibraryFile(folder + library); // a missing one is no reason to stop
}

bool CMobileDeviceDriver::ResolveEntryPoints(DriverPlatform& platform, DriverLoadFailure& failure)
{
    // Every name is required, whether or not the system calls it; the first
    // missing one ends the resolution.
    const auto missing = [&platform, &failure](const wchar_t* baseName, const char* name) {
        failure.kind = DriverLoadFailure::LibraryIncomplete;
        failure.library = platform.LibraryFileName(baseName);
        failure.systemText = name;
        return false;
    };
#define CORVINA_RESOLVE_A(name) \
    if (!Resolve(platform, g_pMobileDeviceLibrary, #name, g_EntryPoints.name)) return missing(kMobileDeviceBaseName, #name);
#define CORVINA_RESOLVE_B(name) \
    if (!Resolve(platform, g_pCoreFoundationLibrary, #name, g_EntryPoints.name)) return missing(kCoreFoundationBaseName, #name);
    CORVINA_ENTRY_POINTS_A(CORVINA_RESOLVE_A)
    CORVINA_ENTRY_POINTS_B(CORVINA_RESOLVE_B)
#undef CORVINA_RESOLVE_A
#undef CORVINA_RESOLVE_B
    return true;
}

void CMobileDeviceDriver::EndDeliveries()
{
    Deliveries& deliveries = TheDeliveries();
    const std::lock_guard<std::mutex> lock(deliveries.mutex);
    deliveries.bEnded = true;
}

void CORVINA_DRIVER_CALL CMobileDeviceDriver::NotificationCallback(AMDeviceNotificationCallbackInfo* pInfo, void*)
{
    Deliveries& deliveries = TheDeliveries();
    const std::lock_guard<std::mutex> lock(deliveries.mutex);
    if (pInfo == nullptr || g_pfnNotificationHandler == nullptr || deliveries.bEnded)
        return;
    DeviceNotificationArgs args;
    args.pAMDevice = pInfo->device;
    args.iMessage = static_cast<std::int32_t>(pInfo->msg);
    g_pfnNotificationHandler(&args, g_pNotificationContext);
}
