// Runs the device emulator (corvina_emulator.py) as a child process for a
// QtTest program: writes its device configuration, waits until it listens,
// talks to its control socket, and stops it at the end of the test.
#ifndef CORVINA_EMULATORPROCESS_H
#define CORVINA_EMULATORPROCESS_H

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class EmulatorProcess
{
public:
    EmulatorProcess();
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // The libimobiledevice tools the integration tests need and cannot find.
    static QStringList MissingTools();

    // Starts the emulator with these devices (objects with the keys of the
    // configuration file) on a free TCP port of 127.0.0.1 and points this
    // process's USBMUXD_SOCKET_ADDRESS at it, so that child processes and
    // libusbmuxd find it. False with a reason when it did not come up in time.
    bool Start(const QJsonArray& jsonDevices, QString& strErrorMessage);

    // Ends the emulator (SIGTERM, then kill) and restores the environment.
    void Stop();

    QString Address() const { return m_qstrAddress; }

    // One control request; false with a reason when the emulator refused it
    // or did not answer.
    bool Control(const QJsonObject& jsonRequest, QJsonObject& jsonAnswer, QString& strErrorMessage);
    bool Control(const QJsonObject& jsonRequest);

    // The status object of one device, empty when it cannot be had.
    QJsonObject DeviceStatus(const QString& qstrUDID);

    // Polls the device's status until the predicate holds or the time is up.
    bool WaitForDevice(const QString& qstrUDID, const std::function<bool(const QJsonObject&)>& predicate,
                       int iTimeoutMs);

    // The emulator's trace, for failure messages.
    QString LogText() const;

private:
    QTemporaryDir m_qTemporaryDir;
    QProcess m_QProcessEmulator;
    QString m_qstrAddress;
    QByteArray m_baPreviousAddress;
    bool m_bHadPreviousAddress = false;
};

#endif
