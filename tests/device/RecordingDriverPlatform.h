// Wraps a real driver platform and records every entry-point look-up, so a
// test can see where loading stopped. One entry point may be replaced by the
// test's own (only when the library really has it).
#ifndef CORVINA_RECORDINGDRIVERPLATFORM_H
#define CORVINA_RECORDINGDRIVERPLATFORM_H

#include "DriverPlatform.h"

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

    explicit RecordingDriverPlatform(std::unique_ptr<DriverPlatform> inner);

    void Replace(const std::string& name, EntryPoint entryPoint);

    const std::vector<LookUp>& LookUps() const { return m_vecLookUps; }
    const std::vector<std::wstring>& LoadedPaths() const { return m_vecLoadedPaths; }
    void* LibraryAt(const std::wstring& path) const;

    bool HasSupportSoftware() const override { return m_inner->HasSupportSoftware(); }
    std::wstring ProgramFolder() override { return m_inner->ProgramFolder(); }
    std::wstring LibraryFileName(const std::wstring& baseName) const override;
    bool IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName) override;
    bool ReadMachineText(const std::wstring& key, const std::wstring& valueName, std::wstring& value) override;
    std::wstring WindowsFolder() override { return m_inner->WindowsFolder(); }
    bool FileExists(const std::wstring& path) override { return m_inner->FileExists(path); }
    bool ReadEnvironment(const std::wstring& name, std::wstring& value) override;
    bool WriteEnvironment(const std::wstring& name, const std::wstring& value) override;
    void* LoadLibraryFile(const std::wstring& path) override;
    EntryPoint FindEntryPoint(void* library, const char* name) override;

    int m_iEnvironmentWrites = 0;

private:
    std::unique_ptr<DriverPlatform> m_inner;
    std::string m_strReplacedName;
    EntryPoint m_pfnReplacement = nullptr;
    std::vector<LookUp> m_vecLookUps;
    std::vector<std::wstring> m_vecLoadedPaths;
    std::vector<void*> m_vecLoadedLibraries;
};

#endif
