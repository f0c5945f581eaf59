// Operating-system side of sharing a file between two backup sets: a second
// name for the same file (a hard link), a private copy (a copy-on-write clone
// where the file system has one, else the bytes copied), and the room left on
// a disk. Paths are in the system's encoding (UTF-8 on Windows). Kept free of
// Qt types so that the Windows implementation compiles with a plain cross
// compiler. Reentrant: any thread, several at once.
#ifndef CORVINA_FILELINKPLATFORM_H
#define CORVINA_FILELINKPLATFORM_H

#include <cstdint>
#include <memory>
#include <string>

class FileLinkPlatform
{
public:
    enum class Outcome {
        Done,
        // The file system or mount cannot do this (no hard links on FAT and
        // many network shares, two file systems, a link count at its limit,
        // links refused by the system's protection): another way may work.
        Unsupported,
        // Anything else (a missing source, no permission, a full disk).
        Failed,
    };
    struct Result
    {
        Outcome eiOutcome = Outcome::Failed;
        int iError = 0; // the system's error number, 0 when done
    };

    virtual ~FileLinkPlatform() = default;

    // Gives the regular file `from` the second name `to`, which must not
    // exist. Never follows a symbolic link at `from`.
    virtual Result Link(const char* from, const char* to) = 0;

    // Makes `to` (which must not exist) a copy of the regular file `from`
    // that can be written without changing `from`: a clone sharing its blocks
    // until written where the file system has one, else its bytes. A failed
    // copy leaves no `to` behind.
    virtual Result Copy(const char* from, const char* to) = 0;

    // The bytes this user may still write on the disk that holds `folder`;
    // -1 when it cannot be told.
    virtual std::int64_t FreeBytes(const char* folder) = 0;

    // The system's words for an error number of a Result, for the log.
    virtual std::string ErrorText(int iError) = 0;

    // The implementation of the system the program was built for.
    static std::unique_ptr<FileLinkPlatform> Create();
};

#endif
