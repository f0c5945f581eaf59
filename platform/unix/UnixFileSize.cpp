#include "FileSize.h"

#include <sys/stat.h>

std::int64_t FileSize::OfRegularFile(const char* path)
{
    struct stat status = {};
    if (::stat(path, &status) != 0 || !S_ISREG(status.st_mode))
        return -1;
    return static_cast<std::int64_t>(status.st_size);
}
