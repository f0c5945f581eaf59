// A notification handler for tests: it lets the program's own device table
// handle each arrival and departure, as the main window does, and records
// every notification with what the table made of it, in order.
#ifndef CORVINA_DEVICEHANDLERRECORDER_H
#define CORVINA_DEVICEHANDLERRECORDER_H

#include "CDeviceTable.h"
#include "DeviceNotificationArgs.h"

#include <QStringList>

#include <condition_variable>
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
        bool bHandled = false;   // the table took the notification
        QStringList values;      // UDID, name, version, type of an arrival
        int iDeviceCount = 0;    // entries of the table afterwards
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
};

#endif
