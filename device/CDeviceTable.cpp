#include "CDeviceTable.h"

#include "CMobileDevice.h"
#include "CMobileDeviceDriver.h"

#include <map>
#include <memory>
#include <mutex>

QMap<QString, structDeviceInfo> g_mapDeviceInfo;
QSemaphore g_semaphoreDeviceInfo(1);

namespace {

// Owned device objects by library reference. Only the notification thread
// touches it, but a lock keeps a test's own handler thread honest too. The
// objects of devices still present at exit are left to the operating system:
// the library keeps delivering until the process ends.
struct DeviceObjects
{
    std::mutex mutex;
    std::map<void*, std::unique_ptr<CMobileDevice>> objects;
};

DeviceObjects& Objects()
{
    static DeviceObjects* const objects = new DeviceObjects;
    return *objects;
}

} // namespace

void CDeviceTable::Adopt(void* pAMDevice, CMobileDevice* pDeviceObject)
{
    DeviceObjects& owned = Objects();
    const std::lock_guard<std::mutex> lock(owned.mutex);
    owned.objects[pAMDevice].reset(pDeviceObject);
}

void CDeviceTable::Release(void* pAMDevice)
{
    DeviceObjects& owned = Objects();
    const std::lock_guard<std::mutex> lock(owned.mutex);
    owned.objects.erase(pAMDevice);
}

CDeviceTable::structChange CDeviceTable::Arrive(void* pAMDevice)
{
    structChange change;
    if (CMobileDeviceDriver::GetInterfaceType(pAMDevice) != 1)
        return change;
    auto device = std::make_unique<CMobileDevice>(pAMDevice);
    if (!device->Connect())
        return change;
    change.bHandled = true;
    structDeviceInfo& info = change.structDeviceInfoThis;
    info.qstrDeviceID = device->GetUniqueDeviceID(5);
    info.qstrDeviceName = device->GetDeviceName();
    info.qstrDeviceVersion = device->GetProductVersion();
    info.qstrDeviceType = device->GetProductType();
    device->GetBackupFacts(info.iDataUsedBytes, info.iWillEncrypt);
    info.pAMDevice = pAMDevice;
    info.pDeviceObject = device.get();
    Adopt(pAMDevice, device.release());

    if (g_semaphoreDeviceInfo.tryAcquire(1, iLockWaitMsecs)) {
        g_mapDeviceInfo.insert(info.qstrDeviceID, info);
        change.iDeviceCount = static_cast<int>(g_mapDeviceInfo.size());
        g_semaphoreDeviceInfo.release();
    }
    return change;
}

CDeviceTable::structChange CDeviceTable::Depart(void* pAMDevice)
{
    structChange change;
    change.bHandled = true;
    if (g_semaphoreDeviceInfo.tryAcquire(1, iLockWaitMsecs)) {
        for (auto it = g_mapDeviceInfo.begin(); it != g_mapDeviceInfo.end(); ++it) {
            if (it->pAMDevice != pAMDevice)
                continue;
            change.bFound = true;
            change.structDeviceInfoThis = *it;
            g_mapDeviceInfo.erase(it);
            break;
        }
        change.iDeviceCount = static_cast<int>(g_mapDeviceInfo.size());
        g_semaphoreDeviceInfo.release();
    }
    // The object is disconnected as it goes, also when a later arrival of the
    // same UDID had replaced its entry.
    Release(pAMDevice);
    change.structDeviceInfoThis.pDeviceObject = nullptr;
    return change;
}

bool CDeviceTable::Snapshot(QList<structDeviceInfo>& listDevices, int iWaitMsecs)
{
    if (!g_semaphoreDeviceInfo.tryAcquire(1, iWaitMsecs))
        return false;
    listDevices = g_mapDeviceInfo.values();
    g_semaphoreDeviceInfo.release();
    return true;
}
