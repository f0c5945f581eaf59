#include "FakeWindowsPlatform.h"

#include "DriverEntryPointNames.h"

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

void FakeWindowsPlatform::ProvideAllEntryPoints(EntryPoint fallback)
{
#define CORVINA_PROVIDE_A(name) m_mapEntryPoints[MobileDeviceLibrary][#name] = fallback;
#define CORVINA_PROVIDE_B(name) m_mapEntryPoints[CoreFoundationLibrary][#name] = fallback;
    CORVINA_ENTRY_POINTS_A(CORVINA_PROVIDE_A)
    CORVINA_ENTRY_POINTS_B(CORVINA_PROVIDE_B)
#undef CORVINA_PROVIDE_A
#undef CORVINA_PROVIDE_B
}

void FakeWindowsPlatform::SetEntryPoint(Library library, const std::string& name, EntryPoint entryPoint)
{
    if (entryPoint == nullptr)
        m_mapEntryPoints[library].erase(name);
    else
        m_mapEntryPoints[library][name] = entryPoint;
}

bool FakeWindowsPlatform::IsLibraryPresent(const std::wstring&, const std::wstring& fileName)
{
    // Like GetModuleHandle: any loaded module of that file name counts.
    for (const std::wstring& path : m_setLoaded) {
        if (EndsWith(path, L"\\" + fileName))
            return true;
    }
    return false;
}

void* FakeWindowsPlatform::LoadLibraryFile(const std::wstring& path)
{
    m_vecLoadAttempts.push_back(path);
    int& failures = m_mapLoadFailures[path];
    if (failures > 0) {
        --failures;
        return nullptr;
    }
    if (m_setMissingLibraries.count(path) > 0)
        return nullptr;
    m_setLoaded.insert(path);
    if (EndsWith(path, L"\\CoreFoundation.dll"))
        return &m_libraryTags[CoreFoundationLibrary];
    if (EndsWith(path, L"\\iTunesMobileDevice.dll"))
        return &m_libraryTags[MobileDeviceLibrary];
    return &m_libraryTags[SupportLibrary];
}

DriverPlatform::EntryPoint FakeWindowsPlatform::FindEntryPoint(void* library, const char* name)
{
    m_vecLookUps.push_back(name);
    for (int i = 0; i < 3; ++i) {
        if (library == &m_libraryTags[i]) {
            const auto found = m_mapEntryPoints[i].find(name);
            return found != m_mapEntryPoints[i].end() ? found->second : nullptr;
        }
    }
    return nullptr;
}
