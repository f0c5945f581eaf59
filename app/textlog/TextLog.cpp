#include "TextLog.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One lock serialises every writer of the process, so a line handed over in
// one call reaches the file whole even when several threads log at once.
std::mutex& WriterLock()
{
    static std::mutex lock;
    return lock;
}

std::map<std::string, FilePtr>& OpenFiles()
{
    static std::map<std::string, FilePtr> files;
    return files;
}

void CreateParentFolders(const std::string& path)
{
    std::error_code ignored;
    const std::filesystem::path parent = std::filesystem::u8path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ignored);
}

std::FILE* OpenForAppend(const std::string& path)
{
    auto& files = OpenFiles();
    auto found = files.find(path);
    if (found != files.end())
        return found->second.get();
    CreateParentFolders(path);
    // Binary mode: the caller's bytes, carriage returns included, go to disk as
    // they are.
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr)
        return nullptr; // not remembered: the next call tries again
    files.emplace(path, FilePtr(file));
    return file;
}

int Append(const char* path, const void* data, std::size_t size)
{
    if (path == nullptr || data == nullptr)
        return 0;
    std::lock_guard<std::mutex> guard(WriterLock());
    std::FILE* file = OpenForAppend(path);
    if (file == nullptr)
        return 0;
    const std::size_t written = std::fwrite(data, 1, size, file);
    // Flushed at once so that a crash loses nothing already logged.
    std::fflush(file);
    return written == size ? 1 : 0;
}

} // namespace

extern "C" TEXTLOG_EXPORT int TEXTLOG_CALL WriteLogLPCSTR(const char* path, const char* text)
{
    if (text == nullptr)
        return 0;
    return Append(path, text, std::strlen(text));
}

extern "C" TEXTLOG_EXPORT int TEXTLOG_CALL WriteLogBinary(const char* path, const void* data, unsigned long size)
{
    return Append(path, data, size);
}
