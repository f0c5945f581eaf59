// Receives the device library's arrival and departure notifications, keeps
// the device table (CDeviceTable) and tells whoever listens which devices are
// connected: after every change, and once right after Start(), each monitor
// emits the whole list. The window and the command line each have one.
//
// Threads: a monitor lives on the thread that made it, and emits
// signal_Devices there. The notifications are handled on the library's
// notification thread, because reading a device (its pairing, its values) can
// block for many seconds; the list they leave is put into the monitor's
// mailbox under a lock and taken out on the monitor's thread. Lists that
// follow each other faster than that thread takes them out are delivered as
// the latest one only: each list is whole, so no change is lost.
//
// The library is loaded once per process, with one handler for every
// monitor; a monitor made later gets the table as it is at its Start().
#ifndef CORVINA_CDEVICEMONITOR_H
#define CORVINA_CDEVICEMONITOR_H

#include "CDeviceTable.h"
#include "CMobileDeviceDriver.h"

#include <QList>
#include <QObject>
#include <QString>

#include <mutex>

class CDeviceMonitor : public QObject
{
    Q_OBJECT

public:
    explicit CDeviceMonitor(QObject* parent = nullptr);
    // Stop()s.
    ~CDeviceMonitor() override;

    // Loads the driver from the program folder (once per process) and from
    // then on emits the device list after each change; also emits the list as
    // it is now (queued). False, with *pFailure telling why, when the driver
    // cannot be loaded; the monitor then emits nothing.
    bool Start(const QString& qstrProgramFolder, DriverLoadFailure* pFailure = nullptr);

    // No list reaches this monitor any more; returns at once (a list being
    // emitted right now is finished first).
    void Stop();

    // Notifications being handled right now (a device being read); lets a
    // caller that waits for the first list tell "still reading" from "none".
    static int NotificationsInHand();

    // The driver's handler: keeps the table and emits the list to every
    // started monitor. Runs on the library's notification thread; a test may
    // call it from a thread of its own.
    static void HandleNotification(DeviceNotificationArgs* pDeviceNotificationArgs, void* pContext);

    // Run as the program ends, after its event loop: waits until no
    // notification is being handled and lets no later one start, so that no
    // device is read (pairing, TLS) while the process and its libraries end.
    static void EndNotifications();

signals:
    // Every connected device, in UDID order, without the library's references
    // (pAMDevice and pDeviceObject are null: they belong to the notification thread).
    void signal_Devices(const QList<structDeviceInfo>& listDevices);

private:
    static void EmitToAll(const QList<structDeviceInfo>& listDevices);
    // Any thread: leaves the list for Deliver(), which is queued once.
    void Post(const QList<structDeviceInfo>& listDevices);
    // The monitor's thread: emits the list the mailbox holds.
    Q_INVOKABLE void Deliver();

    bool m_bStarted = false;
    std::mutex m_mailboxMutex;
    QList<structDeviceInfo> m_listMailbox; // guarded by m_mailboxMutex
    bool m_bDeliveryQueued = false;        // guarded by m_mailboxMutex
};

#endif
