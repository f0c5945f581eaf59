// Watches whether the device service (usbmuxd) can be reached at the address
// libusbmuxd uses: "UNIX:/path" or "host:port" from USBMUXD_SOCKET_ADDRESS, or
// the system socket /var/run/usbmuxd. It tries to connect every few seconds,
// without blocking the thread it lives on, and says when the answer changes.
// Where the system's own device service is used (Windows) it always reports
// the service as reachable. Lives on, and signals on, the GUI thread.
#ifndef CORVINA_CDEVICESERVICEPROBE_H
#define CORVINA_CDEVICESERVICEPROBE_H

#include <QObject>
#include <QString>

class QTimer;

class CDeviceServiceProbe : public QObject
{
    Q_OBJECT

public:
    // qstrAddress in libusbmuxd's form; empty: the system socket.
    explicit CDeviceServiceProbe(const QString& qstrAddress, QObject* parent = nullptr);

    static constexpr int iProbeIntervalMsecs = 2000;
    static constexpr int iConnectTimeoutMsecs = 1000;

    // The latest answer; true until the first attempt has answered.
    bool IsReachable() const { return m_bReachable; }

signals:
    void signal_ReachableChanged(bool bReachable);

private:
    void Probe();
    void Answer(bool bReachable);

    QString m_qstrAddress;
    QTimer* m_pTimer = nullptr;
    bool m_bReachable = true;
    bool m_bProbing = false;
};

#endif
