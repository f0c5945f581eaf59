// Single-instance calls on Windows: the window handle in the segment is the
// main window's HWND, the instance mutex a named kernel mutex.
#include "../InstancePlatform.h"

#include <windows.h>

namespace {

class WinInstancePlatform final : public InstancePlatform
{
public:
    std::string SegmentNativeKey(const std::string& name) override { return name; }

    bool SegmentCanOutliveOwner() const override { return false; }

    void ShowFirstInstance(std::uint32_t windowHandle, bool bringToFront) override
    {
        HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(windowHandle));
        ShowWindow(window, SW_RESTORE);
        ShowWindow(window, SW_SHOWNORMAL);
        if (bringToFront)
            SetForegroundWindow(window);
    }

    bool TerminateProcessById(std::uint32_t processId) override
    {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
        if (process == nullptr)
            return false;
        // The handle is left open on purpose: the process ends with it anyway.
        TerminateProcess(process, 0);
        return true;
    }

    MutexResult CreateInstanceMutex(const std::string& name) override
    {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            return MutexResult::AlreadyExists;
        // Never closed: the mutex lives as long as this instance.
        return mutex != nullptr ? MutexResult::Created : MutexResult::Failed;
    }

    bool IsInstanceMutexHeldElsewhere(const std::string& name) override
    {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
        if (mutex == nullptr)
            return false;
        CloseHandle(mutex);
        return true;
    }

    bool ChangeCurrentDirectory(const std::string& path) override { return SetCurrentDirectoryA(path.c_str()) != 0; }

    void SleepMilliseconds(unsigned milliseconds) override { Sleep(milliseconds); }

    void ServeShowRequests(const std::string&, std::function<void()>) override
    {
        // Later starts reach the window directly through its handle.
    }
};

} // namespace

std::unique_ptr<InstancePlatform> InstancePlatform::Create()
{
    return std::make_unique<WinInstancePlatform>();
}
