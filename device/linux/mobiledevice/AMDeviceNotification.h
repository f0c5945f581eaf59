// One subscription of AMDeviceNotificationSubscribe: whom to call back.
#ifndef CORVINA_AMDEVICENOTIFICATION_H
#define CORVINA_AMDEVICENOTIFICATION_H

#include "MobileDeviceApi.h"

struct AMDeviceNotification
{
    AMDeviceNotificationCallback callback;
    void* context;
};

#endif
