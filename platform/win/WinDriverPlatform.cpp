// Driver loading on Windows: Apple's libraries, the registry entries of
// Apple's support software and the process's "PATH".
#include "../DriverPlatform.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace {

const DWORD kPathCharacters = 260;
const DWORD kEnvironmentCharacters = 32767;

class WinDriverPlatform final : public DriverPlatform
{
public:
    bool HasSupportSoftware() const override { return true; }

    std::wstring ProgramFolder() override
    {
        wchar_t path[kPathCharacters] = {};
        const DWORD length = GetModuleFileNameW(nullptr, path, kPathCharacters);
        const std::wstring executable(path, length < kPathCharacters ? length : kPathCharacters - 1);
        const std::wstring::size_type slash = executable.find_last_of(L'\\');
        return slash == std::wstring::npos ? std::wstring() : executable.substr(0, slash + 1);
    }

    std::wstring LibraryFileName(const std::wstring& baseName) const override { return baseName + L".dll"; }

    bool IsLibraryPresent(const std::wstring&, const std::wstring& fileName) override
    {
        // Module names are plain ASCII file names.
        const std::string narrow(fileName.begin(), fileName.end());
        return GetModuleHandleA(narrow.c_str()) != nullptr;
    }

    bool ReadMachineText(const std::wstring& key, const std::wstring& valueName, std::wstring& value) override
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle)
            != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        DWORD type = 0;
        bool found = RegQueryValueExW(handle, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
        if (found) {
            // Twice the size plus a terminator: room enough even for a value
            // stored without its terminating zero.
            std::vector<wchar_t> buffer(size + 1, L'\0');
            DWORD bytes = static_cast<DWORD>(size * 2 + 2);
            found = RegQueryValueExW(handle, valueName.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer.data()), &bytes)
                    == ERROR_SUCCESS;
            if (found)
                value.assign(buffer.data());
        }
        RegCloseKey(handle);
        return found;
    }

    std::wstring WindowsFolder() override
    {
        wchar_t folder[kPathCharacters] = {};
        const UINT length = GetWindowsDirectoryW(folder, kPathCharacters);
        return length > 0 && length < kPathCharacters ? std::wstring(folder, length) : std::wstring();
    }

    bool FileExists(const std::wstring& path) override { return PathFileExistsW(path.c_str()) != FALSE; }

    bool ReadEnvironment(const std::wstring& name, std::wstring& value) override
    {
        std::vector<wchar_t> buffer(kEnvironmentCharacters, L'\0');
        const DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), kEnvironmentCharacters);
        if (length == 0 || length >= kEnvironmentCharacters)
            return false;
        value.assign(buffer.data(), length);
        return true;
    }

    bool WriteEnvironment(const std::wstring& name, const std::wstring& value) override
    {
        return SetEnvironmentVariableW(name.c_str(), value.c_str()) != FALSE;
    }

    void* LoadLibraryFile(const std::wstring& path) override
    {
        return reinterpret_cast<void*>(LoadLibraryW(path.c_str()));
    }

    EntryPoint FindEntryPoint(void* library, const char* name) override
    {
        return reinterpret_cast<EntryPoint>(GetProcAddress(static_cast<HMODULE>(library), name));
    }
};

} // namespace

std::unique_ptr<DriverPlatform> DriverPlatform::Create(const std::wstring&)
{
    return std::make_unique<WinDriverPlatform>();
}
