#include "UnixDriverPlatform.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdlib>
#include <dlfcn.h>

namespace {

QByteArray FileSystemName(const std::wstring& path)
{
    return QFile::encodeName(QString::fromStdWString(path));
}

QByteArray LocalText(const std::wstring& text)
{
    return QString::fromStdWString(text).toLocal8Bit();
}

} // namespace

std::unique_ptr<DriverPlatform> DriverPlatform::Create(const std::wstring& programFolder)
{
    return std::make_unique<UnixDriverPlatform>(programFolder);
}

UnixDriverPlatform::UnixDriverPlatform(const std::wstring& programFolder)
    : m_programFolder(programFolder)
{
    if (m_programFolder.empty() || m_programFolder.back() != L'/')
        m_programFolder.push_back(L'/');
}

std::wstring UnixDriverPlatform::ProgramFolder()
{
    return m_programFolder;
}

std::wstring UnixDriverPlatform::LibraryFileName(const std::wstring& baseName) const
{
    return L"lib" + baseName + L".so";
}

bool UnixDriverPlatform::IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName)
{
    // Looked up by full path: a library of the same name loaded from another
    // folder is a different library.
    void* handle = dlopen(FileSystemName(folder + fileName).constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle); // drops only the reference this look-up added
    return true;
}

bool UnixDriverPlatform::ReadMachineText(const std::wstring&, const std::wstring&, std::wstring&)
{
    return false;
}

std::wstring UnixDriverPlatform::WindowsFolder()
{
    return std::wstring();
}

bool UnixDriverPlatform::FileExists(const std::wstring& path)
{
    return QFileInfo::exists(QString::fromStdWString(path));
}

bool UnixDriverPlatform::ReadEnvironment(const std::wstring& name, std::wstring& value)
{
    const char* text = std::getenv(LocalText(name).constData());
    if (text == nullptr)
        return false;
    value = QString::fromLocal8Bit(text).toStdWString();
    return true;
}

bool UnixDriverPlatform::WriteEnvironment(const std::wstring& name, const std::wstring& value)
{
    return setenv(LocalText(name).constData(), LocalText(value).constData(), 1) == 0;
}

void* UnixDriverPlatform::LoadLibraryFile(const std::wstring& path)
{
    void* library = dlopen(FileSystemName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        // Read at once: the next dl call replaces it.
        const char* text = dlerror();
        m_lastLoadError = text != nullptr ? text : "";
    }
    return library;
}

DriverPlatform::EntryPoint UnixDriverPlatform::FindEntryPoint(void* library, const char* name)
{
    return reinterpret_cast<EntryPoint>(dlsym(library, name));
}
