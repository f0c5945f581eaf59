#include "RecordingDriverPlatform.h"

bool RecordingDriverPlatform::WriteEnvironment(const std::wstring& name, const std::wstring& value)
{
    ++m_iEnvironmentWrites;
    return m_inner->WriteEnvironment(name, value);
}

void* RecordingDriverPlatform::LoadLibraryFile(const std::wstring& path)
{
    void* library = m_inner->LoadLibraryFile(path);
    if (library != nullptr)
        m_mapLoaded[path] = library;
    return library;
}

DriverPlatform::EntryPoint RecordingDriverPlatform::FindEntryPoint(void* library, const char* name)
{
    EntryPoint entryPoint = m_inner->FindEntryPoint(library, name);
    m_vecLookUps.push_back(LookUp{library, name, entryPoint != nullptr});
    return entryPoint != nullptr && name == m_strReplacedName ? m_pfnReplacement : entryPoint;
}
