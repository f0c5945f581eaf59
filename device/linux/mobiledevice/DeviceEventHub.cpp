#include "DeviceEventHub.h"

#include <usbmuxd.h>

#include <cstdlib>
#include <thread>

DeviceEventHub& DeviceEventHub::Instance()
{
    // Never destroyed: its thread and the references it handed out outlive
    // every static object.
    static DeviceEventHub* const hub = new DeviceEventHub;
    return *hub;
}

mach_error_t DeviceEventHub::Subscribe(AMDeviceNotificationCallback callback, void* context,
                                       AMDeviceNotificationRef* notification)
{
    if (callback == nullptr)
        return kAMDInvalidArgumentError;
    if (!StartListening())
        return kAMDUndefinedError;

    const std::lock_guard<std::mutex> lock(m_mutex);
    AMDeviceNotification* subscriber = new AMDeviceNotification{callback, context};
    m_subscribers.push_back(subscriber);
    for (auto& known : m_devices) {
        if (known.second.present)
            m_queue.push_back(Delivery{known.second.device.get(), kAMDeviceNotificationConnected, {subscriber}});
    }
    if (notification != nullptr)
        *notification = subscriber;
    m_wakeUp.notify_one();
    return kAMDSuccess;
}

bool DeviceEventHub::StartListening()
{
    // Not under m_mutex: libusbmuxd may call back from inside the subscribe
    // call, and the callback takes m_mutex.
    const std::lock_guard<std::mutex> lock(m_listenMutex);
    if (m_listening)
        return true;
    // libusbmuxd waits for a missing usbmuxd by watching /var/run for its
    // standard socket, even when told to look elsewhere (another socket path
    // or a TCP port); such an address is only found by polling, every second.
    const char* address = std::getenv("USBMUXD_SOCKET_ADDRESS");
    if (address != nullptr && address[0] != '\0')
        libusbmuxd_set_use_inotify(0);
    if (idevice_event_subscribe(&DeviceEventHub::OnDeviceEvent, this) != IDEVICE_E_SUCCESS)
        return false;
    std::thread(&DeviceEventHub::DeliverForever, this).detach();
    m_listening = true;
    return true;
}

void DeviceEventHub::OnDeviceEvent(const idevice_event_t* event, void* userData)
{
    // The UDID text lives only during this call.
    if (event != nullptr && event->udid != nullptr)
        static_cast<DeviceEventHub*>(userData)->RecordEvent(event->event, event->udid, event->conn_type);
}

void DeviceEventHub::RecordEvent(idevice_event_type type, const std::string& udid,
                                 idevice_connection_type connectionType)
{
    if (type != IDEVICE_DEVICE_ADD && type != IDEVICE_DEVICE_REMOVE)
        return;
    const bool arrived = type == IDEVICE_DEVICE_ADD;
    const std::lock_guard<std::mutex> lock(m_mutex);
    KnownDevice& known = m_devices[std::make_pair(udid, static_cast<int>(connectionType))];
    // A repeated arrival or a departure of an absent device changes nothing.
    if (known.present == arrived)
        return;
    if (!known.device)
        known.device = std::make_unique<AMDevice>(udid, connectionType);
    known.present = arrived;
    known.device->MarkPresenceChanged();
    m_queue.push_back(Delivery{known.device.get(),
                               arrived ? kAMDeviceNotificationConnected : kAMDeviceNotificationDisconnected,
                               m_subscribers});
    m_wakeUp.notify_one();
}

void DeviceEventHub::DeliverForever()
{
    for (;;) {
        Delivery delivery;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wakeUp.wait(lock, [this] { return !m_queue.empty(); });
            delivery = std::move(m_queue.front());
            m_queue.pop_front();
        }
        for (AMDeviceNotification* subscriber : delivery.subscribers) {
            AMDeviceNotificationCallbackInfo info{delivery.device->Ref(), delivery.message, subscriber};
            subscriber->callback(&info, subscriber->context);
        }
    }
}
