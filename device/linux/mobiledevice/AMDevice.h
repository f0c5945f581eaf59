// One device seen by usbmuxd (one UDID on one connection type): its lockdownd
// connection and session. Calls on one device are serialised by its lock and
// may block for as long as lockdownd takes (up to its 30 s time-out).
#ifndef CORVINA_AMDEVICE_H
#define CORVINA_AMDEVICE_H

#include "MobileDeviceApi.h"

#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>

#include <atomic>
#include <mutex>
#include <string>

struct AMDevice
{
public:
    AMDevice(std::string udid, idevice_connection_type connectionType);
    ~AMDevice();

    AMDevice(const AMDevice&) = delete;
    AMDevice& operator=(const AMDevice&) = delete;

    AMDeviceRef Ref() { return this; }

    // kAMDInterfaceTypeUSB or kAMDInterfaceTypeNetwork.
    int InterfaceType() const;

    // The device arrived or departed: a connection made before belongs to an
    // earlier presence and is replaced at the next Connect. Never blocks, so
    // usbmuxd's event thread may call it.
    void MarkPresenceChanged();

    mach_error_t Connect();
    mach_error_t Disconnect();
    mach_error_t StartSession();
    mach_error_t StopSession();

    // A value the caller releases; null when the device gave none.
    CFTypeRef CopyValue(CFStringRef domain, CFStringRef key);

private:
    void CloseClients();
    static mach_error_t FromLockdownError(lockdownd_error_t error);

    const std::string m_udid;
    const idevice_connection_type m_connectionType;
    std::atomic<unsigned> m_presence{0};

    std::mutex m_mutex;
    idevice_t m_idevice = nullptr;
    lockdownd_client_t m_lockdown = nullptr;
    lockdownd_client_t m_session = nullptr;
    unsigned m_sessionDepth = 0;
    unsigned m_connectedPresence = 0;
};

#endif
