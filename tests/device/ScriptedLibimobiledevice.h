// A scripted libimobiledevice for the Mobile Device library's code: devices
// whose lockdownd answers from a table, and device events that the test fires
// from a thread of its own, as libusbmuxd's monitor thread does. Only the
// functions the library uses exist. Safe to use from several threads.
#ifndef CORVINA_SCRIPTEDLIBIMOBILEDEVICE_H
#define CORVINA_SCRIPTEDLIBIMOBILEDEVICE_H

#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

class ScriptedLibimobiledevice
{
public:
    struct Device
    {
        bool bReachable = true; // found through usbmuxd
        lockdownd_error_t iClientResult = LOCKDOWN_E_SUCCESS;
        lockdownd_error_t iHandshakeResult = LOCKDOWN_E_SUCCESS;
        // "Key" or "Domain/Key" -> the value as property-list XML; the text
        // "null" makes lockdownd succeed without a value.
        std::map<std::string, std::string> mapValues;
    };

    struct Stats
    {
        int iOpenDevices = 0;
        int iOpenClients = 0;
        int iOpenSessions = 0;
        int iClientsCreated = 0;
        int iHandshakes = 0;
        int iLastLookup = 0;        // idevice_options of the last idevice_new_with_options
        std::vector<std::string> vecReads; // "plain:Key" or "session:Domain/Key"
    };

    // A device usbmuxd knows; its "UniqueDeviceID" is its UDID unless given.
    static void SetDevice(const std::string& udid, Device device);
    static void SetReachable(const std::string& udid, bool reachable);
    static Stats StatsOf(const std::string& udid);

    static void SetSubscribeResult(idevice_error_t result);
    static int SubscribeCalls();
    static int InotifySetting(); // -1 until the library sets it

    // Calls the subscribed callback on a new thread and waits for it; the id
    // of that thread, or a default id when nothing is subscribed.
    static std::thread::id Fire(idevice_event_type type, const std::string& udid,
                                idevice_connection_type connectionType);
};

#endif
