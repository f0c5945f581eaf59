// Operating-system side of starting the command-line tools: a tool must not
// outlive the program that follows it (a restore going on with nobody
// watching). Kept free of Qt types so that the Windows implementation
// compiles with a plain cross compiler.
#ifndef CORVINA_TOOLPROCESSPLATFORM_H
#define CORVINA_TOOLPROCESSPLATFORM_H

#include <cstdint>
#include <memory>

class ToolProcessPlatform
{
public:
    virtual ~ToolProcessPlatform() = default;

    // This process's id, taken before a tool is started.
    virtual std::int64_t CurrentProcessId() = 0;

    // Runs in the new child before the tool's program replaces it; on Unix
    // between fork and exec, so it makes async-signal-safe calls only. Widens
    // the child's standard output pipe to pipeBytes where the system allows
    // (the reader wakes less often), and ties the child's life to the thread
    // that started it (Linux: SIGKILL when that thread ends, which the program's
    // end includes); a child whose parent parentId is already gone ends at once.
    virtual void PrepareChild(std::int64_t parentId, int pipeBytes) = 0;

    // Runs in this process once the child runs. Windows: puts the child into
    // a job object that kills its processes when the program ends. False when
    // the child could not be tied so.
    virtual bool AdoptChild(std::int64_t childId) = 0;

    // The implementation of the system the program was built for.
    static std::unique_ptr<ToolProcessPlatform> Create();
};

#endif
