#include "UnixToolProcessPlatform.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

std::unique_ptr<ToolProcessPlatform> ToolProcessPlatform::Create()
{
    return std::make_unique<UnixToolProcessPlatform>();
}

std::int64_t UnixToolProcessPlatform::CurrentProcessId()
{
    return static_cast<std::int64_t>(::getpid());
}

void UnixToolProcessPlatform::PrepareChild(std::int64_t parentId, int pipeBytes)
{
#if defined(__linux__)
    ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, pipeBytes);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A parent that ended before the line above has handed the child on
    // already, and the signal would never come.
    if (static_cast<std::int64_t>(::getppid()) != parentId)
        ::_exit(127);
#else
    (void)parentId;
    (void)pipeBytes;
#endif
}
