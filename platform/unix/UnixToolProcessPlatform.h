// Tool processes on Unix: on Linux a child gets SIGKILL when the thread that
// started it ends; elsewhere nothing ties it.
#ifndef CORVINA_UNIXTOOLPROCESSPLATFORM_H
#define CORVINA_UNIXTOOLPROCESSPLATFORM_H

#include "../ToolProcessPlatform.h"

class UnixToolProcessPlatform final : public ToolProcessPlatform
{
public:
    std::int64_t CurrentProcessId() override;
    void PrepareChild(std::int64_t parentId, int pipeBytes) override;
    bool AdoptChild(std::int64_t) override { return true; }
};

#endif
