// Runs the device emulator (corvina_emulator.py) for a QtTest program, talks
// to its control socket and stops it at the end. The emulator is started
// detached (a plain fork), which ThreadSanitizer follows; a process started
// the usual Qt way would leave the sanitizer blind from then on. It stops by
// itself when this process ends, even when this process is killed.
#ifndef CORVINA_EMULATORPROCESS_H
#define CORVINA_EMULATORPROCESS_H

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class EmulatorProcess
{
public:
    EmulatorProcess() = default;
    ~EmulatorProcess() { Stop(); }
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // The libimobiledevice tools the integration tests need and cannot find.
    static QStringList MissingTools();
    // The backup and app tools this process started that still run (zombies left out).
    static QList<qint64> ToolProcesses();

    // Starts the emulator with these devices on a free port of 127.0.0.1 and
    // points USBMUXD_SOCKET_ADDRESS of this process (and so of its children
    // and libusbmuxd) at it; false with a reason when it did not come up.
    bool Start(const QJsonArray& jsonDevices, QString& strErrorMessage);
    // Ends the emulator (SIGTERM, then kill) and restores the environment.
    void Stop();

    // One control request; false when refused or unanswered.
    bool Control(const QJsonObject& jsonRequest, QJsonObject* pjsonAnswer = nullptr);
    // A request {"cmd": qstrCommand, "udid": qstrUDID} plus the extra keys.
    bool Command(const QString& qstrCommand, const QString& qstrUDID, const QJsonObject& jsonExtra = {});

    // The status object of one device (empty when it cannot be had) and one of its counters (-1).
    QJsonObject DeviceStatus(const QString& qstrUDID);
    static int Counter(const QJsonObject& jsonStatus, const char* name);
    int Counter(const QString& qstrUDID, const char* name) { return Counter(DeviceStatus(qstrUDID), name); }

    // Polls the device's status until the predicate holds or the time is up.
    bool WaitForDevice(const QString& qstrUDID, const std::function<bool(const QJsonObject&)>& predicate,
                       int iTimeoutMs);

    // The emulator's trace, for failure messages.
    QString LogText() const;

private:
    bool Fail(QString& strErrorMessage, const QString& qstrReason);

    bool IsRunning() const;

    QTemporaryDir m_qTemporaryDir;
    qint64 m_iEmulatorPid = 0;
    bool m_bAddressSet = false;
    QByteArray m_baPreviousAddress;
    bool m_bHadPreviousAddress = false;
};

#endif
