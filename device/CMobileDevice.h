// One arrived device: its connection, short sessions around each value read,
// and the four values that identify it, cached once read. All calls come from
// the notification handler's thread; only the session calls are locked.
#ifndef CORVINA_CMOBILEDEVICE_H
#define CORVINA_CMOBILEDEVICE_H

#include "MobileDeviceApi.h"

#include <QString>

#include <memory>
#include <mutex>

class CMobileDevice
{
public:
    // Does not talk to the device before Connect.
    explicit CMobileDevice(void* pAMDevice);
    // Disconnects when still connected.
    ~CMobileDevice();

    CMobileDevice(const CMobileDevice&) = delete;
    CMobileDevice& operator=(const CMobileDevice&) = delete;

    // True when connected, now or already.
    bool Connect();
    // Nothing when not connected; calling it twice is harmless.
    void Disconnect();
    // True when the library reported success.
    bool StartSession();
    bool StopSession();

    // The device's value for key (of domain, none for the device's own
    // values) as text; empty when the device gave none.
    QString CopyValueText(const char* key, const char* domain = nullptr);

    // "UniqueDeviceID", asked again up to iRetryCount more times, 10 ms
    // apart, reconnecting before each retry.
    QString GetUniqueDeviceID(int iRetryCount);
    QString GetProductVersion();
    QString GetDeviceName();
    QString GetProductType();
    // What a backup of the device will be, in one session: the data in use,
    // from lockdownd's disk usage domain (TotalDataCapacity less
    // TotalDataAvailable; -1 when it does not tell), and whether the device
    // encrypts its backups (com.apple.mobile.backup WillEncrypt: 1 yes, 0 no, -1 unknown).
    void GetBackupFacts(qint64& iDataUsedBytes, int& iWillEncrypt);

private:
    typedef decltype(&::AMDeviceStartSession) SessionCall;

    bool CallUnderSessionLock(SessionCall pfnSessionCall);
    QString CachedValue(QString& wstrCache, const char* key);
    void Reconnect();

    QString m_wstrUniqueDeviceID;
    QString m_wstrProductVersion;
    QString m_wstrDeviceName;
    QString m_wstrProductType;
    std::unique_ptr<std::mutex> m_pSessionLock;
    AMDeviceRef m_pAMDevice;
    AFCConnectionRef m_pAFCConnection = nullptr;
    bool m_bConnected = false;
};

#endif
