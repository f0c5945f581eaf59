// The table of connected devices that the notification handler keeps and the
// backup/restore page reads: one entry per accepted USB device, keyed by its
// UDID. Arrivals and departures are handled on the Mobile Device library's
// notification thread; every user of the table takes g_semaphoreDeviceInfo
// first, waiting at most iLockWaitMsecs, and skips its work when it cannot.
#ifndef CORVINA_CDEVICETABLE_H
#define CORVINA_CDEVICETABLE_H

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QSemaphore>
#include <QString>

class CMobileDevice;

// One connected device.
struct structDeviceInfo
{
    QString qstrDeviceID;      // UDID
    QString qstrDeviceVersion; // iOS version
    QString qstrDeviceType;    // product type
    QString qstrDeviceName;    // the name the user gave the device
    qint64 iDataUsedBytes = -1; // data in use on the device (a backup needs at most about this); -1 unknown
    int iWillEncrypt = -1;      // the device encrypts its backups: 1 yes, 0 no, -1 unknown (as it arrived)
    void* pAMDevice = nullptr; // the library's reference to the device
    CMobileDevice* pDeviceObject = nullptr;
};
Q_DECLARE_METATYPE(structDeviceInfo)

// Ordered by UDID; guarded by g_semaphoreDeviceInfo (one permit).
extern QMap<QString, structDeviceInfo> g_mapDeviceInfo;
extern QSemaphore g_semaphoreDeviceInfo;

class CDeviceTable
{
public:
    static constexpr int iLockWaitMsecs = 10000;

    // What an arrival or departure did to the table.
    struct structChange
    {
        bool bHandled = false;   // false: the notification is ignored (not USB, no connection)
        int iDeviceCount = 0;    // entries afterwards; 0 when the lock was not obtained
        bool bFound = false;     // departure: the device was in the table
        structDeviceInfo structDeviceInfoThis; // arrival: the values read; departure: the removed entry
    };

    // A device arrived: handled only on USB (interface type 1) and when it can
    // be connected; then its UDID (five retries), name, version and type are
    // read and the entry is stored, replacing one of the same UDID.
    static structChange Arrive(void* pAMDevice);

    // A device departed: its entry is removed and its connection closed.
    static structChange Depart(void* pAMDevice);

    // A copy of the entries in UDID order; false when the lock was not obtained.
    static bool Snapshot(QList<structDeviceInfo>& listDevices, int iWaitMsecs = iLockWaitMsecs);

private:
    // Keeps the device object of every connected reference alive until its
    // departure, also when a later arrival of the same UDID replaced its entry.
    static void Adopt(void* pAMDevice, CMobileDevice* pDeviceObject);
    static void Release(void* pAMDevice);
};

#endif
