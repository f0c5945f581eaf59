// A driver platform that behaves like Windows without touching the system: a
// registry, files, environment and libraries that the test sets up, and a
// record of what the loader did with them. Loaded libraries hand out the
// entry points the test gave for them (with a record of the names asked for).
#ifndef CORVINA_FAKEWINDOWSPLATFORM_H
#define CORVINA_FAKEWINDOWSPLATFORM_H

#include "DriverPlatform.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class FakeWindowsPlatform final : public DriverPlatform
{
public:
    enum Library { CoreFoundationLibrary, MobileDeviceLibrary, SupportLibrary };

    // Every name of both tables resolves to fallback; a name may then be
    // given its own entry point or removed.
    void ProvideAllEntryPoints(EntryPoint fallback);
    void SetEntryPoint(Library library, const std::string& name, EntryPoint entryPoint);

    // The next count loads of path fail.
    void FailLoads(const std::wstring& path, int count) { m_mapLoadFailures[path] = count; }

    bool HasSupportSoftware() const override { return true; }
    std::wstring ProgramFolder() override { return m_wstrProgramFolder; }
    std::wstring LibraryFileName(const std::wstring& baseName) const override { return baseName + L".dll"; }
    bool IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName) override;
    bool ReadMachineText(const std::wstring& key, const std::wstring& valueName, std::wstring& value) override
    {
        return Find(m_mapRegistry, std::make_pair(key, valueName), value);
    }
    std::wstring WindowsFolder() override { return m_wstrWindowsFolder; }
    bool FileExists(const std::wstring& path) override { return m_setFiles.count(path) > 0; }
    bool ReadEnvironment(const std::wstring& name, std::wstring& value) override
    {
        return Find(m_mapEnvironment, name, value);
    }
    bool WriteEnvironment(const std::wstring& name, const std::wstring& value) override
    {
        ++m_iEnvironmentWrites;
        m_mapEnvironment[name] = value;
        return true;
    }
    void* LoadLibraryFile(const std::wstring& path) override;
    EntryPoint FindEntryPoint(void* library, const char* name) override;

    std::wstring m_wstrProgramFolder = L"C:\\Corvina\\";
    std::wstring m_wstrWindowsFolder = L"C:\\Windows";
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> m_mapRegistry; // (key, value name) -> text
    std::set<std::wstring> m_setFiles;
    std::map<std::wstring, std::wstring> m_mapEnvironment;
    std::set<std::wstring> m_setMissingLibraries; // paths that never load

    std::vector<std::wstring> m_vecLoadAttempts;
    std::vector<std::string> m_vecLookUps;
    int m_iEnvironmentWrites = 0;

private:
    template<typename Map, typename Key>
    static bool Find(const Map& map, const Key& key, std::wstring& value)
    {
        const auto found = map.find(key);
        if (found != map.end())
            value = found->second;
        return found != map.end();
    }

    std::map<std::wstring, int> m_mapLoadFailures;
    std::set<std::wstring> m_setLoaded;
    std::map<std::string, EntryPoint> m_mapEntryPoints[3];
    char m_libraryTags[3] = {};
};

#endif
