#include "AMDevice.h"

#include "CoreFoundationBridge.h"

#include <plist/plist.h>

namespace {

// How the device's lockdownd sees this library's connections.
const char kLockdownLabel[] = "Corvina";

} // namespace

AMDevice::AMDevice(std::string udid, idevice_connection_type connectionType)
    : m_udid(std::move(udid))
    , m_connectionType(connectionType)
{
}

AMDevice::~AMDevice()
{
    CloseClients();
}

int AMDevice::InterfaceType() const
{
    switch (m_connectionType) {
    case CONNECTION_USBMUXD:
        return kAMDInterfaceTypeUSB;
    case CONNECTION_NETWORK:
        return kAMDInterfaceTypeNetwork;
    default:
        return kAMDInterfaceTypeUnknown;
    }
}

void AMDevice::MarkPresenceChanged()
{
    m_presence.fetch_add(1);
}

mach_error_t AMDevice::Connect()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const unsigned presence = m_presence.load();
    if (m_lockdown != nullptr && m_connectedPresence == presence)
        return kAMDSuccess;
    CloseClients();

    const idevice_options lookup = m_connectionType == CONNECTION_NETWORK ? IDEVICE_LOOKUP_NETWORK
                                                                           : IDEVICE_LOOKUP_USBMUX;
    idevice_t device = nullptr;
    if (idevice_new_with_options(&device, m_udid.c_str(), lookup) != IDEVICE_E_SUCCESS)
        return kAMDNotFoundError;
    lockdownd_client_t client = nullptr;
    const lockdownd_error_t error = lockdownd_client_new(device, &client, kLockdownLabel);
    if (error != LOCKDOWN_E_SUCCESS) {
        idevice_free(device);
        return FromLockdownError(error);
    }
    m_idevice = device;
    m_lockdown = client;
    m_connectedPresence = presence;
    return kAMDSuccess;
}

mach_error_t AMDevice::Disconnect()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CloseClients();
    return kAMDSuccess;
}

mach_error_t AMDevice::StartSession()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_lockdown == nullptr)
        return kAMDNotConnectedError;
    if (m_sessionDepth > 0) {
        ++m_sessionDepth;
        return kAMDSuccess;
    }
    // Pairs first when this computer has no pair record for the device; the
    // call returns at once while the device still asks the user.
    lockdownd_client_t session = nullptr;
    const lockdownd_error_t error = lockdownd_client_new_with_handshake(m_idevice, &session, kLockdownLabel);
    if (error != LOCKDOWN_E_SUCCESS)
        return FromLockdownError(error);
    m_session = session;
    m_sessionDepth = 1;
    return kAMDSuccess;
}

mach_error_t AMDevice::StopSession()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sessionDepth == 0)
        return kAMDSessionInactiveError;
    if (--m_sessionDepth == 0) {
        lockdownd_client_free(m_session); // ends the session and says goodbye
        m_session = nullptr;
    }
    return kAMDSuccess;
}

CFTypeRef AMDevice::CopyValue(CFStringRef domain, CFStringRef key)
{
    std::string domainText;
    std::string keyText;
    if ((domain != nullptr && !CoreFoundationBridge::Utf8(domain, domainText))
        || (key != nullptr && !CoreFoundationBridge::Utf8(key, keyText)))
        return nullptr;

    const std::lock_guard<std::mutex> lock(m_mutex);
    lockdownd_client_t client = m_session != nullptr ? m_session : m_lockdown;
    if (client == nullptr)
        return nullptr;
    plist_t value = nullptr;
    const lockdownd_error_t error = lockdownd_get_value(client, domain != nullptr ? domainText.c_str() : nullptr,
                                                        key != nullptr ? keyText.c_str() : nullptr, &value);
    CFTypeRef result = nullptr;
    if (error == LOCKDOWN_E_SUCCESS && value != nullptr)
        result = CoreFoundationBridge::CreateValue(value);
    plist_free(value);
    return result;
}

void AMDevice::CloseClients()
{
    if (m_session != nullptr)
        lockdownd_client_free(m_session);
    if (m_lockdown != nullptr)
        lockdownd_client_free(m_lockdown);
    if (m_idevice != nullptr)
        idevice_free(m_idevice);
    m_session = nullptr;
    m_lockdown = nullptr;
    m_idevice = nullptr;
    m_sessionDepth = 0;
}

mach_error_t AMDevice::FromLockdownError(lockdownd_error_t error)
{
    switch (error) {
    case LOCKDOWN_E_SUCCESS:
        return kAMDSuccess;
    case LOCKDOWN_E_MUX_ERROR:
        return kAMDNotConnectedError;
    case LOCKDOWN_E_PASSWORD_PROTECTED:
        return kAMDPasswordProtectedError;
    case LOCKDOWN_E_USER_DENIED_PAIRING:
        return kAMDUserDeniedPairingError;
    case LOCKDOWN_E_PAIRING_DIALOG_RESPONSE_PENDING:
        return kAMDPairingDialogPendingError;
    default:
        return kAMDUndefinedError;
    }
}
