// Sharing files on Windows: CreateHardLinkW (NTFS on one volume); a private
// copy with CopyFileW (which clones on file systems that can); the room from
// GetDiskFreeSpaceExW. Paths arrive in UTF-8.
#include "FileLinkPlatform.h"

#include <windows.h>

#include <string>

namespace {

std::wstring Wide(const char* path)
{
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    if (wideLength <= 0)
        return std::wstring();
    std::wstring widePath(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path, -1, &widePath[0], wideLength);
    widePath.resize(static_cast<size_t>(wideLength - 1));
    return widePath;
}

// What a volume says when it cannot link at all, or not this file.
bool MeansUnsupported(DWORD error)
{
    return error == ERROR_NOT_SAME_DEVICE || error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED
           || error == ERROR_TOO_MANY_LINKS || error == ERROR_ACCESS_DENIED;
}

class WinFileLinkPlatform final : public FileLinkPlatform
{
public:
    Result Link(const char* from, const char* to) override
    {
        if (CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr))
            return {Outcome::Done, 0};
        const DWORD error = GetLastError();
        return {MeansUnsupported(error) ? Outcome::Unsupported : Outcome::Failed, static_cast<int>(error)};
    }

    Result Copy(const char* from, const char* to) override
    {
        const std::wstring wideTo = Wide(to);
        if (CopyFileW(Wide(from).c_str(), wideTo.c_str(), TRUE))
            return {Outcome::Done, 0};
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS)
            DeleteFileW(wideTo.c_str());
        return {Outcome::Failed, static_cast<int>(error)};
    }

    std::int64_t FreeBytes(const char* folder) override
    {
        ULARGE_INTEGER available = {};
        if (!GetDiskFreeSpaceExW(Wide(folder).c_str(), &available, nullptr, nullptr))
            return -1;
        return static_cast<std::int64_t>(available.QuadPart);
    }

    std::string ErrorText(int iError) override
    {
        char buffer[512] = {};
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                            static_cast<DWORD>(iError), 0, buffer, sizeof(buffer), nullptr);
        std::string text(buffer, length);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
            text.pop_back();
        return text.empty() ? "error " + std::to_string(iError) : text;
    }
};

} // namespace

std::unique_ptr<FileLinkPlatform> FileLinkPlatform::Create()
{
    return std::make_unique<WinFileLinkPlatform>();
}
