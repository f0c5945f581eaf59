#include "DeviceHandlerRecorder.h"

#include "CMobileDeviceDriver.h"

#include <chrono>

void DeviceHandlerRecorder::Handle(DeviceNotificationArgs* pArgs, void* pContext)
{
    auto* recorder = static_cast<DeviceHandlerRecorder*>(pContext);
    Event event;
    event.pAMDevice = pArgs->pAMDevice;
    event.iMessage = pArgs->iMessage;
    event.iInterfaceType = CMobileDeviceDriver::GetInterfaceType(pArgs->pAMDevice);
    event.thread = std::this_thread::get_id();
    CDeviceTable::structChange change;
    if (event.iMessage == DeviceNotificationArgs::Connected)
        change = CDeviceTable::Arrive(pArgs->pAMDevice);
    else if (event.iMessage == DeviceNotificationArgs::Disconnected)
        change = CDeviceTable::Depart(pArgs->pAMDevice);
    event.bHandled = change.bHandled;
    event.iDeviceCount = change.iDeviceCount;
    if (event.iMessage == DeviceNotificationArgs::Connected && change.bHandled) {
        const structDeviceInfo& info = change.structDeviceInfoThis;
        event.values = QStringList{info.qstrDeviceID, info.qstrDeviceName, info.qstrDeviceVersion, info.qstrDeviceType};
    }
    const std::lock_guard<std::mutex> lock(recorder->m_mutex);
    recorder->m_vecEvents.push_back(event);
    recorder->m_changed.notify_all();
}

std::vector<DeviceHandlerRecorder::Event> DeviceHandlerRecorder::WaitFor(size_t iCount, int iTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(iTimeoutMs), [&] { return m_vecEvents.size() >= iCount; });
    return m_vecEvents;
}
