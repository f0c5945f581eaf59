// Tool processes on Windows: every tool joins one job object that kills its
// processes when its last handle closes. The handle is never closed by hand,
// so the system closes it when the program ends, however it ends.
#include "../ToolProcessPlatform.h"

#include <windows.h>

namespace {

HANDLE CreateKillOnCloseJob()
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

class WinToolProcessPlatform final : public ToolProcessPlatform
{
public:
    std::int64_t CurrentProcessId() override { return static_cast<std::int64_t>(GetCurrentProcessId()); }

    void PrepareChild(std::int64_t, int) override {}

    bool AdoptChild(std::int64_t childId) override
    {
        static const HANDLE job = CreateKillOnCloseJob();
        if (job == nullptr)
            return false;
        HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(childId));
        if (process == nullptr)
            return false;
        const bool assigned = AssignProcessToJobObject(job, process) != 0;
        CloseHandle(process);
        return assigned;
    }
};

} // namespace

std::unique_ptr<ToolProcessPlatform> ToolProcessPlatform::Create()
{
    return std::make_unique<WinToolProcessPlatform>();
}
