#include "CMobileDevice.h"

#include "CFValueToText.h"
#include "CMobileDeviceDriver.h"
#include "LogCallSite.h"

#include <QThread>

namespace {

const unsigned long kRetryPauseMilliseconds = 10;

const MobileDeviceEntryPoints& Driver()
{
    return CMobileDeviceDriver::EntryPoints();
}

} // namespace

CMobileDevice::CMobileDevice(void* pAMDevice)
    : m_pSessionLock(std::make_unique<std::mutex>())
    , m_pAMDevice(static_cast<AMDeviceRef>(pAMDevice))
{
}

CMobileDevice::~CMobileDevice()
{
    Disconnect();
}

bool CMobileDevice::Connect()
{
    TEXTLOG("Enter");
    if (!m_bConnected) {
        const mach_error_t iResult = Driver().AMDeviceConnect(m_pAMDevice);
        TEXTLOG("iResult : %d", iResult);
        m_bConnected = iResult == 0;
    }
    TEXTLOG("Exit");
    return m_bConnected;
}

void CMobileDevice::Disconnect()
{
    TEXTLOG("Enter");
    if (m_bConnected) {
        if (m_pAFCConnection != nullptr)
            Driver().AFCConnectionClose(m_pAFCConnection);
        Driver().AMDeviceDisconnect(m_pAMDevice);
        m_pAFCConnection = nullptr;
        m_bConnected = false;
    }
    TEXTLOG("Exit");
}

bool CMobileDevice::StartSession()
{
    TEXTLOG("Enter");
    const bool bStarted = CallUnderSessionLock(Driver().AMDeviceStartSession);
    TEXTLOG("Exit");
    return bStarted;
}

bool CMobileDevice::StopSession()
{
    TEXTLOG("Enter");
    const bool bStopped = CallUnderSessionLock(Driver().AMDeviceStopSession);
    TEXTLOG("Exit");
    return bStopped;
}

bool CMobileDevice::CallUnderSessionLock(SessionCall pfnSessionCall)
{
    mach_error_t iResult;
    {
        // Only the library call is locked, not the reads between start and stop.
        const std::lock_guard<std::mutex> lock(*m_pSessionLock);
        iResult = pfnSessionCall(m_pAMDevice);
    }
    TEXTLOG("iResult : %d", iResult);
    return iResult == 0;
}

QString CMobileDevice::CopyValueText(const char* key, const char* domain)
{
    TEXTLOG("Enter");
    TEXTLOG("key : %s", key);
    QString wstrValue;
    // A constant string belongs to the library and is never released.
    const CFStringRef keyString = Driver().__CFStringMakeConstantString(key);
    const CFStringRef domainString = domain != nullptr ? Driver().__CFStringMakeConstantString(domain) : nullptr;
    const CFTypeRef value = Driver().AMDeviceCopyValue(m_pAMDevice, domainString, keyString);
    if (value != nullptr) {
        wstrValue = CFValueToText(value);
        Driver().CFRelease(value); // a copied value is the caller's to release
    }
    TEXTLOG("wstrValue : %s", LOG8(wstrValue));
    TEXTLOG("Exit");
    return wstrValue;
}

QString CMobileDevice::GetUniqueDeviceID(int iRetryCount)
{
    TEXTLOG("Enter");
    TEXTLOG("iRetryCount : %d", iRetryCount);
    if (iRetryCount < 0 || !m_wstrUniqueDeviceID.isEmpty()) {
        TEXTLOG("Exit");
        return m_wstrUniqueDeviceID;
    }
    StartSession();
    m_wstrUniqueDeviceID = CopyValueText("UniqueDeviceID");
    if (m_wstrUniqueDeviceID.isEmpty()) {
        QThread::msleep(kRetryPauseMilliseconds);
        // A fresh connection gives the next attempt its chance; it also leaves
        // the device connected for the reads that follow a failed identifier.
        Reconnect();
        GetUniqueDeviceID(iRetryCount - 1);
    }
    StopSession();
    TEXTLOG("Exit");
    return m_wstrUniqueDeviceID;
}

QString CMobileDevice::GetProductVersion()
{
    return CachedValue(m_wstrProductVersion, "ProductVersion");
}

QString CMobileDevice::GetDeviceName()
{
    return CachedValue(m_wstrDeviceName, "DeviceName");
}

QString CMobileDevice::GetProductType()
{
    return CachedValue(m_wstrProductType, "ProductType");
}

void CMobileDevice::GetBackupFacts(qint64& iDataUsedBytes, int& iWillEncrypt)
{
    StartSession();
    bool bCapacity = false;
    bool bAvailable = false;
    const qint64 iCapacity = CopyValueText("TotalDataCapacity", "com.apple.disk_usage").toLongLong(&bCapacity);
    const qint64 iAvailable = CopyValueText("TotalDataAvailable", "com.apple.disk_usage").toLongLong(&bAvailable);
    const QString qstrEncrypt = CopyValueText("WillEncrypt", "com.apple.mobile.backup");
    StopSession();
    iDataUsedBytes = bCapacity && bAvailable && iAvailable >= 0 && iCapacity >= iAvailable ? iCapacity - iAvailable : -1;
    // Truth values read as the characters for yes and no.
    iWillEncrypt = qstrEncrypt == QString(QChar(0x662F)) ? 1 : qstrEncrypt == QString(QChar(0x5426)) ? 0 : -1;
}

QString CMobileDevice::CachedValue(QString& wstrCache, const char* key)
{
    TEXTLOG("Enter");
    // Only a value is remembered: an empty result asks the device again next time.
    if (wstrCache.isEmpty()) {
        StartSession();
        wstrCache = CopyValueText(key);
        StopSession();
    }
    TEXTLOG("Exit");
    return wstrCache;
}

void CMobileDevice::Reconnect()
{
    TEXTLOG("Enter");
    Disconnect();
    Connect();
    TEXTLOG("Exit");
}
