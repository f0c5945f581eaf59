// Driver loading on Unix: no registry, no Windows folder and no support
// libraries; the libraries are the program's own shared objects in the
// program folder, linked with dlopen.
#ifndef CORVINA_UNIXDRIVERPLATFORM_H
#define CORVINA_UNIXDRIVERPLATFORM_H

#include "../DriverPlatform.h"

class UnixDriverPlatform final : public DriverPlatform
{
public:
    explicit UnixDriverPlatform(const std::wstring& programFolder);

    bool HasSupportSoftware() const override { return false; }
    std::wstring ProgramFolder() override;
    std::wstring LibraryFileName(const std::wstring& baseName) const override;
    bool IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName) override;
    bool ReadMachineText(const std::wstring& key, const std::wstring& valueName, std::wstring& value) override;
    std::wstring WindowsFolder() override;
    bool FileExists(const std::wstring& path) override;
    bool ReadEnvironment(const std::wstring& name, std::wstring& value) override;
    bool WriteEnvironment(const std::wstring& name, const std::wstring& value) override;
    void* LoadLibraryFile(const std::wstring& path) override;
    std::string LastLoadError() const override { return m_lastLoadError; }
    EntryPoint FindEntryPoint(void* library, const char* name) override;

private:
    std::wstring m_programFolder;
    std::string m_lastLoadError;
};

#endif
