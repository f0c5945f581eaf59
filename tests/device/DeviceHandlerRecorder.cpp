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
    std::unique_lock<std::mutex> lock(recorder->m_mutex);
    if (event.iMessage == DeviceNotificationArgs::Connected && event.iInterfaceType == 1) {
        auto device = std::make_unique<CMobileDevice>(pArgs->pAMDevice);
        event.bConnected = device->Connect();
        if (event.bConnected)
            event.values = QStringList{device->GetUniqueDeviceID(5), device->GetDeviceName(),
                                       device->GetProductVersion(), device->GetProductType()};
        recorder->m_mapDevices[pArgs->pAMDevice] = std::move(device);
    } else if (event.iMessage == DeviceNotificationArgs::Disconnected) {
        const auto found = recorder->m_mapDevices.find(pArgs->pAMDevice);
        if (found != recorder->m_mapDevices.end())
            found->second->Disconnect();
    }
    recorder->m_vecEvents.push_back(event);
    recorder->m_changed.notify_all();
}

std::vector<DeviceHandlerRecorder::Event> DeviceHandlerRecorder::WaitFor(size_t iCount, int iTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(iTimeoutMs), [&] { return m_vecEvents.size() >= iCount; });
    return m_vecEvents;
}
