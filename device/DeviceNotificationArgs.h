// One device arrival or departure as the notification handler receives it.
#ifndef CORVINA_DEVICENOTIFICATIONARGS_H
#define CORVINA_DEVICENOTIFICATIONARGS_H

#include <cstdint>

struct DeviceNotificationArgs
{
    enum { Connected = 1, Disconnected = 2 };

    // The Mobile Device library's reference to the device; the same value
    // identifies the same device in its Disconnected notification.
    void* pAMDevice;
    // Connected or Disconnected; handlers ignore any other value.
    std::int32_t iMessage;
};

// The main window's handler: called on the Mobile Device library's
// notification thread with the record (valid during the call only) and the
// context given to CMobileDeviceDriver::LoadDriver.
typedef void (*DeviceNotificationHandler)(DeviceNotificationArgs* pDeviceNotificationArgs, void* pContext);

#endif
