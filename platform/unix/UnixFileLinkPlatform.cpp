#include "UnixFileLinkPlatform.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#endif

namespace {

FileLinkPlatform::Result Done()
{
    return {FileLinkPlatform::Outcome::Done, 0};
}

// What a file system or mount says when it cannot link at all, or not this
// file: the caller may copy instead.
bool MeansUnsupported(int iError)
{
    return iError == EPERM || iError == EXDEV || iError == ENOTSUP || iError == EOPNOTSUPP || iError == ENOSYS
           || iError == EMLINK;
}

FileLinkPlatform::Result FromErrno(int iError)
{
    return {MeansUnsupported(iError) ? FileLinkPlatform::Outcome::Unsupported : FileLinkPlatform::Outcome::Failed,
            iError};
}

// Closes a descriptor when the copy ends, whichever way.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now; the system's error number, or 0.
    int Close()
    {
        const int iResult = ::close(m_fd);
        m_fd = -1;
        return iResult == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Copies the rest of `in` into `out`: in-kernel where it can, else through a
// buffer. 0, or the system's error number.
int CopyBytes(int in, int out)
{
    bool bInKernel = true;
    char buffer[64 * 1024];
    while (true) {
        ssize_t done = -1;
        if (bInKernel) {
            done = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                bInKernel = false;
                continue;
            }
        } else {
            done = ::read(in, buffer, sizeof(buffer));
            for (ssize_t written = 0; done > 0 && written < done;) {
                const ssize_t part = ::write(out, buffer + written, static_cast<size_t>(done - written));
                if (part < 0 && errno != EINTR)
                    return errno;
                written += part > 0 ? part : 0;
            }
        }
        if (done == 0)
            return 0;
        if (done < 0 && errno != EINTR)
            return errno;
    }
}

} // namespace

FileLinkPlatform::Result UnixFileLinkPlatform::Link(const char* from, const char* to)
{
    // linkat without AT_SYMLINK_FOLLOW links a symbolic link itself, never its target.
    if (::linkat(AT_FDCWD, from, AT_FDCWD, to, 0) == 0)
        return Done();
    return FromErrno(errno);
}

FileLinkPlatform::Result UnixFileLinkPlatform::Copy(const char* from, const char* to)
{
    Descriptor in(::open(from, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status = {};
    if (in.Get() < 0 || ::fstat(in.Get(), &status) != 0)
        return {Outcome::Failed, errno};
    if (!S_ISREG(status.st_mode))
        return {Outcome::Failed, EINVAL};
    Descriptor out(::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 0777));
    if (out.Get() < 0)
        return {Outcome::Failed, errno};
    int iError = 0;
#ifdef FICLONE
    if (::ioctl(out.Get(), FICLONE, in.Get()) != 0)
        iError = CopyBytes(in.Get(), out.Get());
#else
    iError = CopyBytes(in.Get(), out.Get());
#endif
    const int iCloseError = out.Close();
    if (iError == 0)
        iError = iCloseError;
    if (iError == 0)
        return Done();
    ::unlink(to);
    return {Outcome::Failed, iError};
}

std::int64_t UnixFileLinkPlatform::FreeBytes(const char* folder)
{
    struct statvfs status = {};
    if (::statvfs(folder, &status) != 0)
        return -1;
    return static_cast<std::int64_t>(status.f_bavail) * static_cast<std::int64_t>(status.f_frsize);
}

namespace {
// strerror_r returns its text (GNU) or fills the buffer (POSIX).
[[maybe_unused]] const char* ErrorTextOf(const char* pText, const char*)
{
    return pText;
}
[[maybe_unused]] const char* ErrorTextOf(int, const char* pBuffer)
{
    return pBuffer;
}
} // namespace

std::string UnixFileLinkPlatform::ErrorText(int iError)
{
    char buffer[256] = {};
    return ErrorTextOf(::strerror_r(iError, buffer, sizeof(buffer)), buffer);
}

std::unique_ptr<FileLinkPlatform> FileLinkPlatform::Create()
{
    return std::make_unique<UnixFileLinkPlatform>();
}
