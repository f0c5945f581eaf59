// The two halves of the single-instance handshake. Step A runs first thing at
// start-up; step B runs inside the main window's construction, once the window
// has a native handle.
#ifndef CORVINA_CSINGLEINSTANCE_H
#define CORVINA_CSINGLEINSTANCE_H

#include <QSharedMemory>

#include <cstdint>
#include <functional>
#include <memory>

class InstancePlatform;

extern QSharedMemory* g_QSharedMemory;

class CSingleInstance
{
public:
    static const char* const kSegmentName;  // "PeloraCorvina_hwnd"
    static const char* const kMutexName;    // "PeloraCorvina"
    static const int kSegmentSize = 128;

    // False when a running first instance was brought back and this process
    // must end with -1.
    static bool StepA();

    // False when this instance must end (with 0). windowHandle is what later
    // starts find in the segment; onShow is run when one of them asks this
    // instance to show its window.
    static bool StepB(std::uint32_t windowHandle, std::function<void()> onShow);

    // Called as the process ends. Where a segment would outlive its owner it is
    // released here, as the system does by itself elsewhere.
    static void Release();

    // The platform calls; tests put a double in its place before step A.
    static InstancePlatform& Platform();
    static void SetPlatform(std::unique_ptr<InstancePlatform> platform);

private:
    static void WaitForPreviousInstance();
    static void WriteHandle(std::uint32_t windowHandle);
};

#endif
