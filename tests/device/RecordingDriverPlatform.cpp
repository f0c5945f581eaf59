#include "RecordingDriverPlatform.h"

RecordingDriverPlatform::RecordingDriverPlatform(std::unique_ptr<DriverPlatform> inner)
    : m_inner(std::move(inner))
{
}

void RecordingDriverPlatform::Replace(const std::string& name, EntryPoint entryPoint)
{
    m_strReplacedName = name;
    m_pfnReplacement = entryPoint;
}

void* RecordingDriverPlatform::LibraryAt(const std::wstring& path) const
{
    for (size_t i = 0; i < m_vecLoadedPaths.size(); ++i) {
        if (m_vecLoadedPaths[i] == path)
            return m_vecLoadedLibraries[i];
    }
    return nullptr;
}

std::wstring RecordingDriverPlatform::LibraryFileName(const std::wstring& baseName) const
{
    return m_inner->LibraryFileName(baseName);
}

bool RecordingDriverPlatform::IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName)
{
    return m_inner->IsLibraryPresent(folder, fileName);
}

bool RecordingDriverPlatform::ReadMachineText(const std::wstring& key, const std::wstring& valueName,
                                              std::wstring& value)
{
    return m_inner->ReadMachineText(key, valueName, value);
}

bool RecordingDriverPlatform::ReadEnvironment(const std::wstring& name, std::wstring& value)
{
    return m_inner->ReadEnvironment(name, value);
}

bool RecordingDriverPlatform::WriteEnvironment(const std::wstring& name, const std::wstring& value)
{
    ++m_iEnvironmentWrites;
    return m_inner->WriteEnvironment(name, value);
}

void* RecordingDriverPlatform::LoadLibraryFile(const std::wstring& path)
{
    void* library = m_inner->LoadLibraryFile(path);
    if (library != nullptr) {
        m_vecLoadedPaths.push_back(path);
        m_vecLoadedLibraries.push_back(library);
    }
    return library;
}

DriverPlatform::EntryPoint RecordingDriverPlatform::FindEntryPoint(void* library, const char* name)
{
    EntryPoint entryPoint = m_inner->FindEntryPoint(library, name);
    m_vecLookUps.push_back(LookUp{library, name, entryPoint != nullptr});
    if (entryPoint != nullptr && name == m_strReplacedName)
        entryPoint = m_pfnReplacement;
    return entryPoint;
}
