// The size of a regular file by its path, with one system call and no
// allocation: the backup set check asks it for every file of a set, which
// may hold a few hundred thousand. Kept free of Qt types.
#ifndef CORVINA_FILESIZE_H
#define CORVINA_FILESIZE_H

#include <cstdint>

class FileSize
{
public:
    // The size in bytes of the regular file at path (links followed; UTF-8
    // on Windows, the system's encoding elsewhere); -1 when it is missing,
    // cannot be examined or is not a regular file. Any thread.
    static std::int64_t OfRegularFile(const char* path);
};

#endif
