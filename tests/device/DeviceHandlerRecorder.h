// The main window's device handler as far as the driver layer sees it: a USB
// arrival is connected and its UDID (five retries), name, version and type are
// read; a departure disconnects. Every notification is recorded in order.
#ifndef CORVINA_DEVICEHANDLERRECORDER_H
#define CORVINA_DEVICEHANDLERRECORDER_H

#include "CMobileDevice.h"
#include "DeviceNotificationArgs.h"

#include <QStringList>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DeviceHandlerRecorder
{
public:
    struct Event
    {
        void* pAMDevice = nullptr;
        int iMessage = 0;
        int iInterfaceType = 0;
        bool bConnected = false;
        QStringList values; // UDID, name, version, type; empty when not read
        std::thread::id thread;
    };

    // The handler to give LoadDriver, with the recorder as its context.
    static void Handle(DeviceNotificationArgs* pArgs, void* pContext);

    // The events so far, once there are at least iCount or the time is up.
    std::vector<Event> WaitFor(size_t iCount, int iTimeoutMs = 20000);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Event> m_vecEvents;
    std::map<void*, std::unique_ptr<CMobileDevice>> m_mapDevices;
};

#endif
