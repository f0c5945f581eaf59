#include "CDeviceMonitor.h"

#include "LogCallSite.h"

#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace {

// The started monitors. Never destroyed: the library may deliver until the
// process ends.
struct Listeners
{
    std::mutex mutex; // held while a list is emitted, so no monitor goes away under it
    std::vector<CDeviceMonitor*> monitors;
};

Listeners& TheListeners()
{
    static Listeners* const listeners = new Listeners;
    return *listeners;
}

std::atomic<int> g_iNotificationsInHand{0};

// The table without the library's references, which only the notification
// thread may use.
QList<structDeviceInfo> DevicesForListeners(bool& bRead)
{
    QList<structDeviceInfo> listDevices;
    bRead = CDeviceTable::Snapshot(listDevices);
    for (structDeviceInfo& device : listDevices) {
        device.pAMDevice = nullptr;
        device.pDeviceObject = nullptr;
    }
    return listDevices;
}

void LogDevice(const char* pszName, const structDeviceInfo& device)
{
    TEXTLOG("%s.qstrDeviceID : %s", pszName, LOG8(device.qstrDeviceID));
    TEXTLOG("%s.qstrDeviceName : %s", pszName, LOG8(device.qstrDeviceName));
    TEXTLOG("%s.qstrDeviceVersion : %s", pszName, LOG8(device.qstrDeviceVersion));
    TEXTLOG("%s.qstrDeviceType : %s", pszName, LOG8(device.qstrDeviceType));
}

} // namespace

CDeviceMonitor::CDeviceMonitor(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<structDeviceInfo>("structDeviceInfo");
    qRegisterMetaType<QList<structDeviceInfo>>("QList<structDeviceInfo>");
}

CDeviceMonitor::~CDeviceMonitor()
{
    Stop();
}

bool CDeviceMonitor::Start(const QString& qstrProgramFolder, DriverLoadFailure* pFailure)
{
    if (m_bStarted)
        return true;
    {
        Listeners& listeners = TheListeners();
        const std::lock_guard<std::mutex> lock(listeners.mutex);
        listeners.monitors.push_back(this);
        m_bStarted = true;
    }
    if (!CMobileDeviceDriver::LoadDriver(nullptr, &CDeviceMonitor::HandleNotification,
                                         qstrProgramFolder.toStdWString(), pFailure)) {
        Stop();
        return false;
    }
    // Listening before the copy: a change after it reaches this monitor as well.
    bool bRead = false;
    const QList<structDeviceInfo> listDevices = DevicesForListeners(bRead);
    Post(listDevices);
    return true;
}

void CDeviceMonitor::Stop()
{
    Listeners& listeners = TheListeners();
    const std::lock_guard<std::mutex> lock(listeners.mutex);
    listeners.monitors.erase(std::remove(listeners.monitors.begin(), listeners.monitors.end(), this),
                             listeners.monitors.end());
    m_bStarted = false;
}

int CDeviceMonitor::NotificationsInHand()
{
    return g_iNotificationsInHand.load();
}

void CDeviceMonitor::EmitToAll(const QList<structDeviceInfo>& listDevices)
{
    Listeners& listeners = TheListeners();
    const std::lock_guard<std::mutex> lock(listeners.mutex);
    for (CDeviceMonitor* monitor : listeners.monitors)
        monitor->Post(listDevices);
}

void CDeviceMonitor::Post(const QList<structDeviceInfo>& listDevices)
{
    // The list crosses threads under this lock rather than inside a queued
    // signal's copy: the lock is what orders the handler's writes before the
    // listener's reads.
    const std::lock_guard<std::mutex> lock(m_mailboxMutex);
    m_listMailbox = listDevices;
    if (m_bDeliveryQueued)
        return;
    m_bDeliveryQueued = true;
    // Dropped with the monitor if it is destroyed first. Invoked by name, so
    // that Qt itself makes the queued call: nothing this thread builds for it
    // is read on the monitor's thread outside the lock.
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void CDeviceMonitor::Deliver()
{
    QList<structDeviceInfo> listDevices;
    {
        const std::lock_guard<std::mutex> lock(m_mailboxMutex);
        listDevices.swap(m_listMailbox);
        m_bDeliveryQueued = false;
    }
    emit signal_Devices(listDevices);
}

void CDeviceMonitor::HandleNotification(DeviceNotificationArgs* pDeviceNotificationArgs, void*)
{
    ++g_iNotificationsInHand;
    CDeviceTable::structChange change;
    switch (pDeviceNotificationArgs->iMessage) {
    case DeviceNotificationArgs::Connected:
        TEXTLOG("DeviceNotificationArgs::Connected-------------\xA1\xEF\xA1\xEF\xA1\xEF\xA1\xEF");
        change = CDeviceTable::Arrive(pDeviceNotificationArgs->pAMDevice);
        if (change.bHandled)
            LogDevice("structDeviceInfoThis", change.structDeviceInfoThis);
        break;
    case DeviceNotificationArgs::Disconnected:
        TEXTLOG("DeviceNotificationArgs::Disconnected-------------\xA1\xF1\xA1\xF1\xA1\xF1\xA1\xF1");
        change = CDeviceTable::Depart(pDeviceNotificationArgs->pAMDevice);
        if (change.bFound)
            LogDevice("structDeviceInfoThisEx", change.structDeviceInfoThis);
        break;
    default:
        break;
    }
    bool bRead = false;
    const QList<structDeviceInfo> listDevices = change.bHandled ? DevicesForListeners(bRead) : QList<structDeviceInfo>();
    // A table that stayed locked for the whole wait is left for the next change.
    if (bRead)
        EmitToAll(listDevices);
    --g_iNotificationsInHand;
}

void CDeviceMonitor::EndNotifications()
{
    CMobileDeviceDriver::EndDeliveries();
}
