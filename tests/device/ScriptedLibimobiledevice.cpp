#include "ScriptedLibimobiledevice.h"

#include <plist/plist.h>

#include <mutex>

struct idevice_private
{
    std::string udid;
};

struct lockdownd_client_private
{
    std::string udid;
    bool bSession;
};

namespace {

struct State
{
    std::mutex mutex;
    std::map<std::string, ScriptedLibimobiledevice::Device> devices;
    std::map<std::string, ScriptedLibimobiledevice::Stats> stats;
    idevice_error_t subscribeResult = IDEVICE_E_SUCCESS;
    int subscribeCalls = 0;
    int inotify = -1;
    idevice_event_cb_t callback = nullptr;
    void* userData = nullptr;
};

State& TheState()
{
    static State* const state = new State;
    return *state;
}

} // namespace

void ScriptedLibimobiledevice::SetDevice(const std::string& udid, Device device)
{
    device.mapValues.emplace("UniqueDeviceID", "<plist version=\"1.0\"><string>" + udid + "</string></plist>");
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    TheState().devices[udid] = std::move(device);
}

void ScriptedLibimobiledevice::SetReachable(const std::string& udid, bool reachable)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    TheState().devices[udid].bReachable = reachable;
}

ScriptedLibimobiledevice::Stats ScriptedLibimobiledevice::StatsOf(const std::string& udid)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    return TheState().stats[udid];
}

void ScriptedLibimobiledevice::SetSubscribeResult(idevice_error_t result)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    TheState().subscribeResult = result;
}

int ScriptedLibimobiledevice::SubscribeCalls()
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    return TheState().subscribeCalls;
}

int ScriptedLibimobiledevice::InotifySetting()
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    return TheState().inotify;
}

std::thread::id ScriptedLibimobiledevice::Fire(idevice_event_type type, const std::string& udid,
                                               idevice_connection_type connectionType)
{
    idevice_event_cb_t callback;
    void* userData;
    {
        const std::lock_guard<std::mutex> lock(TheState().mutex);
        callback = TheState().callback;
        userData = TheState().userData;
    }
    if (callback == nullptr)
        return std::thread::id();
    std::thread::id firingThread;
    std::thread monitor([&] {
        firingThread = std::this_thread::get_id();
        // The UDID text is valid during the call only, as with libusbmuxd.
        std::string transient = udid;
        const idevice_event_t event{type, transient.c_str(), connectionType};
        callback(&event, userData);
        transient.assign(transient.size(), 'X');
    });
    monitor.join();
    return firingThread;
}

extern "C" {

idevice_error_t idevice_event_subscribe(idevice_event_cb_t callback, void* user_data)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    ++TheState().subscribeCalls;
    if (TheState().subscribeResult != IDEVICE_E_SUCCESS)
        return TheState().subscribeResult;
    TheState().callback = callback;
    TheState().userData = user_data;
    return IDEVICE_E_SUCCESS;
}

void libusbmuxd_set_use_inotify(int set)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    TheState().inotify = set;
}

idevice_error_t idevice_new_with_options(idevice_t* device, const char* udid, enum idevice_options options)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    TheState().stats[udid].iLastLookup = options;
    const auto found = TheState().devices.find(udid);
    if (found == TheState().devices.end() || !found->second.bReachable)
        return IDEVICE_E_NO_DEVICE;
    *device = new idevice_private{udid};
    ++TheState().stats[udid].iOpenDevices;
    return IDEVICE_E_SUCCESS;
}

idevice_error_t idevice_free(idevice_t device)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    --TheState().stats[device->udid].iOpenDevices;
    delete device;
    return IDEVICE_E_SUCCESS;
}

lockdownd_error_t lockdownd_client_new(idevice_t device, lockdownd_client_t* client, const char*)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    const lockdownd_error_t result = TheState().devices[device->udid].iClientResult;
    if (result != LOCKDOWN_E_SUCCESS)
        return result;
    *client = new lockdownd_client_private{device->udid, false};
    ++TheState().stats[device->udid].iOpenClients;
    ++TheState().stats[device->udid].iClientsCreated;
    return LOCKDOWN_E_SUCCESS;
}

lockdownd_error_t lockdownd_client_new_with_handshake(idevice_t device, lockdownd_client_t* client, const char*)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    ++TheState().stats[device->udid].iHandshakes;
    const lockdownd_error_t result = TheState().devices[device->udid].iHandshakeResult;
    if (result != LOCKDOWN_E_SUCCESS)
        return result;
    *client = new lockdownd_client_private{device->udid, true};
    ++TheState().stats[device->udid].iOpenSessions;
    return LOCKDOWN_E_SUCCESS;
}

lockdownd_error_t lockdownd_client_free(lockdownd_client_t client)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    if (client->bSession)
        --TheState().stats[client->udid].iOpenSessions;
    else
        --TheState().stats[client->udid].iOpenClients;
    delete client;
    return LOCKDOWN_E_SUCCESS;
}

lockdownd_error_t lockdownd_get_value(lockdownd_client_t client, const char* domain, const char* key, plist_t* value)
{
    const std::lock_guard<std::mutex> lock(TheState().mutex);
    const std::string name = (domain != nullptr ? std::string(domain) + "/" : std::string()) + (key ? key : "");
    TheState().stats[client->udid].vecReads.push_back((client->bSession ? "session:" : "plain:") + name);
    const ScriptedLibimobiledevice::Device& device = TheState().devices[client->udid];
    if (!device.bReachable)
        return LOCKDOWN_E_MUX_ERROR; // unplugged: the connection is gone
    const auto found = device.mapValues.find(name);
    if (found == device.mapValues.end())
        return LOCKDOWN_E_MISSING_VALUE;
    *value = nullptr;
    if (found->second != "null")
        plist_from_xml(found->second.c_str(), static_cast<uint32_t>(found->second.size()), value);
    return LOCKDOWN_E_SUCCESS;
}

} // extern "C"
