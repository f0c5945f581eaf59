// Wraps a real driver platform and records every library load and entry-point
// look-up, so a test can see where loading stopped. One entry point may be
// replaced by the test's own (only when the library really has it).
#ifndef CORVINA_RECORDINGDRIVERPLATFORM_H
#define CORVINA_RECORDINGDRIVERPLATFORM_H

#include "DriverPlatform.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class RecordingDriverPlatform final : public DriverPlatform
{
public:
    struct LookUp
    {
        void* library;
        std::string name;
        bool found;
    };

    explicit RecordingDriverPlatform(std::unique_ptr<DriverPlatform> inner) : m_inner(std::move(inner)) {}

    void Replace(const std::string& name, EntryPoint entryPoint)
    {
        m_strReplacedName = name;
        m_pfnReplacement = entryPoint;
    }

    bool HasSupportSoftware() const override { return m_inner->HasSupportSoftware(); }
    std::wstring ProgramFolder() override { return m_inner->ProgramFolder(); }
    std::wstring LibraryFileName(const std::wstring& baseName) const override
    {
        return m_inner->LibraryFileName(baseName);
    }
    bool IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName) override
    {
        return m_inner->IsLibraryPresent(folder, fileName);
    }
    bool ReadMachineText(const std::wstring& key, const std::wstring& valueName, std::wstring& value) override
    {
        return m_inner->ReadMachineText(key, valueName, value);
    }
    std::wstring WindowsFolder() override { return m_inner->WindowsFolder(); }
    bool FileExists(const std::wstring& path) override { return m_inner->FileExists(path); }
    bool ReadEnvironment(const std::wstring& name, std::wstring& value) override
    {
        return m_inner->ReadEnvironment(name, value);
    }
    bool WriteEnvironment(const std::wstring& name, const std::wstring& value) override;
    void* LoadLibraryFile(const std::wstring& path) override;
    EntryPoint FindEntryPoint(void* library, const char* name) override;

    std::vector<LookUp> m_vecLookUps;
    std::map<std::wstring, void*> m_mapLoaded; // path -> library
    int m_iEnvironmentWrites = 0;

private:
    std::unique_ptr<DriverPlatform> m_inner;
    std::string m_strReplacedName;
    EntryPoint m_pfnReplacement = nullptr;
};

#endif
