// Turns libimobiledevice's device events into arrival and departure
// notifications. libimobiledevice calls back on libusbmuxd's monitor thread
// with a lock held, so events are only recorded there; one thread of the
// hub's own delivers them, in order, and the callbacks it calls may take as
// long as they need. The hub lives for the rest of the process once made.
#ifndef CORVINA_DEVICEEVENTHUB_H
#define CORVINA_DEVICEEVENTHUB_H

#include "AMDevice.h"
#include "AMDeviceNotification.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class DeviceEventHub
{
public:
    static DeviceEventHub& Instance();

    // Starts listening to usbmuxd on the first call (a usbmuxd that is not
    // running yet is waited for in the background). The new subscriber first
    // receives an arrival for every device present.
    mach_error_t Subscribe(AMDeviceNotificationCallback callback, void* context,
                           AMDeviceNotificationRef* notification);

private:
    struct Delivery
    {
        AMDevice* device;
        unsigned int message;
        std::vector<AMDeviceNotification*> subscribers;
    };

    struct KnownDevice
    {
        std::unique_ptr<AMDevice> device;
        bool present = false;
    };

    DeviceEventHub() = default;

    bool StartListening();
    static void OnDeviceEvent(const idevice_event_t* event, void* userData);
    void RecordEvent(idevice_event_type type, const std::string& udid, idevice_connection_type connectionType);
    void DeliverForever();

    std::mutex m_listenMutex; // serialises the start of listening
    bool m_listening = false;

    std::mutex m_mutex; // guards everything below
    std::condition_variable m_wakeUp;
    std::deque<Delivery> m_queue;
    std::vector<AMDeviceNotification*> m_subscribers;
    // Every device ever seen; kept so that references stay valid.
    std::map<std::pair<std::string, int>, KnownDevice> m_devices;
};

#endif
