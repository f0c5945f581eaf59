// Operating-system side of the single-instance handshake. Kept free of Qt
// types so that the Windows implementation compiles with a plain cross
// compiler.
#ifndef CORVINA_INSTANCEPLATFORM_H
#define CORVINA_INSTANCEPLATFORM_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class InstancePlatform
{
public:
    enum class MutexResult { Created, AlreadyExists, Failed };

    virtual ~InstancePlatform() = default;

    // The native key of the shared segment called name.
    virtual std::string SegmentNativeKey(const std::string& name) = 0;

    // True where a segment can outlive the process that made it (a crashed
    // instance on Unix); a handle found in it then counts only while the
    // instance mutex is held.
    virtual bool SegmentCanOutliveOwner() const = 0;

    // Brings back the first instance's window: restore, show normally and,
    // when asked, move it to the front.
    virtual void ShowFirstInstance(std::uint32_t windowHandle, bool bringToFront) = 0;

    // Ends the process with exit code 0; false when it cannot be opened.
    virtual bool TerminateProcessById(std::uint32_t processId) = 0;

    // Creates the instance mutex, owned by this process until it ends.
    virtual MutexResult CreateInstanceMutex(const std::string& name) = 0;

    // True while another live process owns the instance mutex.
    virtual bool IsInstanceMutexHeldElsewhere(const std::string& name) = 0;

    // Makes path (local 8-bit code page) the current directory.
    virtual bool ChangeCurrentDirectory(const std::string& path) = 0;

    virtual void SleepMilliseconds(unsigned milliseconds) = 0;

    // Lets later starts ask this instance to show its window; onShow runs on
    // the thread that runs the event loop.
    virtual void ServeShowRequests(const std::string& name, std::function<void()> onShow) = 0;

    // The implementation of the system the program was built for.
    static std::unique_ptr<InstancePlatform> Create();
};

#endif
