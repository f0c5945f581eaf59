// Sharing files on Unix: link(2); a private copy by FICLONE (Linux, on file
// systems with shared extents), then copy_file_range(2), then read and write.
#ifndef CORVINA_UNIXFILELINKPLATFORM_H
#define CORVINA_UNIXFILELINKPLATFORM_H

#include "../FileLinkPlatform.h"

class UnixFileLinkPlatform final : public FileLinkPlatform
{
public:
    Result Link(const char* from, const char* to) override;
    Result Copy(const char* from, const char* to) override;
    std::int64_t FreeBytes(const char* folder) override;
    std::string ErrorText(int iError) override;
};

#endif
