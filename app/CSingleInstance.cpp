#include "CSingleInstance.h"

#include "LogCallSite.h"
#include "InstancePlatform.h"

#include <QtEndian>

#include <cstring>

QSharedMemory* g_QSharedMemory = nullptr;

const char* const CSingleInstance::kSegmentName = "PeloraCorvina_hwnd";
const char* const CSingleInstance::kMutexName = "PeloraCorvina";

namespace {

std::unique_ptr<InstancePlatform>& PlatformSlot()
{
    static std::unique_ptr<InstancePlatform> platform;
    return platform;
}

const unsigned char* SegmentBytes()
{
    return static_cast<const unsigned char*>(g_QSharedMemory->constData());
}

std::uint32_t ReadHandle()
{
    return qFromLittleEndian<quint32>(SegmentBytes());
}

signed char ReadStatus()
{
    return static_cast<signed char>(SegmentBytes()[4]);
}

std::uint32_t ReadProcessId()
{
    return qFromLittleEndian<quint32>(SegmentBytes() + 5);
}

} // namespace

InstancePlatform& CSingleInstance::Platform()
{
    auto& platform = PlatformSlot();
    if (!platform)
        platform = InstancePlatform::Create();
    return *platform;
}

void CSingleInstance::SetPlatform(std::unique_ptr<InstancePlatform> platform)
{
    PlatformSlot() = std::move(platform);
}

bool CSingleInstance::StepA()
{
    InstancePlatform& platform = Platform();
    g_QSharedMemory = new QSharedMemory();
    g_QSharedMemory->setNativeKey(QString::fromLocal8Bit(platform.SegmentNativeKey(kSegmentName).c_str()));
    if (!g_QSharedMemory->attach(QSharedMemory::ReadWrite))
        return true;
    const std::uint32_t handle = ReadHandle();
    if (handle == 0)
        return true;
    // A segment left by a crashed instance still holds its handle; only a
    // live owner of the instance mutex makes it a running instance.
    if (platform.SegmentCanOutliveOwner() && !platform.IsInstanceMutexHeldElsewhere(kMutexName))
        return true;
    platform.ShowFirstInstance(handle, true);
    return false;
}

void CSingleInstance::WaitForPreviousInstance()
{
    InstancePlatform& platform = Platform();
    TEXTLOG("%s", "wait prev instance exit\n");
    for (;;) {
        platform.SleepMilliseconds(2000);
        const signed char status = ReadStatus();
        const std::uint32_t processId = ReadProcessId();
        TEXTLOG("program bit %d\n", status);
        if (status == 1) {
            platform.TerminateProcessById(processId);
            return;
        }
        if (status == 8)
            return;
        // Where a segment can outlive its owner, a waiting start must not wait
        // for an instance that no longer exists.
        if (platform.SegmentCanOutliveOwner() && !platform.IsInstanceMutexHeldElsewhere(kMutexName))
            return;
    }
}

void CSingleInstance::WriteHandle(std::uint32_t windowHandle)
{
    TEXTLOG("------------------------hwnd : %d write", static_cast<int>(windowHandle));
    g_QSharedMemory->lock();
    unsigned char* bytes = static_cast<unsigned char*>(g_QSharedMemory->data());
    if (bytes != nullptr) {
        qToLittleEndian<quint32>(windowHandle, bytes);
        bytes[4] = 1;
    }
    g_QSharedMemory->unlock();
}

bool CSingleInstance::StepB(std::uint32_t windowHandle, std::function<void()> onShow)
{
    InstancePlatform& platform = Platform();
    if (g_QSharedMemory == nullptr) {
        g_QSharedMemory = new QSharedMemory();
        g_QSharedMemory->setNativeKey(QString::fromLocal8Bit(platform.SegmentNativeKey(kSegmentName).c_str()));
    }
    // Attaching again while step A's attachment is held fails, as it should:
    // the segment then counts as this process's own.
    if (g_QSharedMemory->attach(QSharedMemory::ReadWrite)) {
        TEXTLOG("exists!\n");
        const std::uint32_t handle = ReadHandle();
        TEXTLOG("------------------------hwnd : %d read", static_cast<int>(handle));
        if (handle != 0) {
            platform.ShowFirstInstance(handle, false);
            return false;
        }
        WaitForPreviousInstance();
    } else {
        TEXTLOG("not exists!\n");
        if (!g_QSharedMemory->isAttached())
            g_QSharedMemory->create(kSegmentSize, QSharedMemory::ReadWrite);
    }
    WriteHandle(windowHandle);
    if (platform.CreateInstanceMutex(kMutexName) == InstancePlatform::MutexResult::AlreadyExists)
        return false;
    platform.ServeShowRequests(kSegmentName, std::move(onShow));
    return true;
}

void CSingleInstance::Release()
{
    if (g_QSharedMemory != nullptr && Platform().SegmentCanOutliveOwner())
        g_QSharedMemory->detach();
}
