#include "CDeviceServiceProbe.h"

#include <QLocalSocket>
#include <QTcpSocket>
#include <QTimer>

CDeviceServiceProbe::CDeviceServiceProbe(const QString& qstrAddress, QObject* parent)
    : QObject(parent)
    , m_qstrAddress(qstrAddress)
{
#if defined(Q_OS_LINUX)
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &CDeviceServiceProbe::Probe);
    m_pTimer->start(iProbeIntervalMsecs);
    Probe();
#endif
}

void CDeviceServiceProbe::Answer(bool bReachable)
{
    m_bProbing = false;
    if (bReachable == m_bReachable)
        return;
    m_bReachable = bReachable;
    emit signal_ReachableChanged(bReachable);
}

void CDeviceServiceProbe::Probe()
{
    if (m_bProbing)
        return;
    m_bProbing = true;
    const QString qstrUnixPrefix = QStringLiteral("UNIX:");
    const int iPortAt = m_qstrAddress.lastIndexOf(QLatin1Char(':'));
    QAbstractSocket* tcp = nullptr;
    QLocalSocket* local = nullptr;
    if (m_qstrAddress.isEmpty() || m_qstrAddress.startsWith(qstrUnixPrefix) || iPortAt <= 0) {
        local = new QLocalSocket(this);
        const QString qstrPath = m_qstrAddress.startsWith(qstrUnixPrefix) ? m_qstrAddress.mid(qstrUnixPrefix.size())
                                                                         : QStringLiteral("/var/run/usbmuxd");
        connect(local, &QLocalSocket::connected, this, [this, local]() { Answer(true); local->deleteLater(); });
        connect(local, &QLocalSocket::errorOccurred, this, [this, local]() { Answer(false); local->deleteLater(); });
        local->connectToServer(qstrPath);
    } else {
        tcp = new QTcpSocket(this);
        connect(tcp, &QTcpSocket::connected, this, [this, tcp]() { Answer(true); tcp->deleteLater(); });
        connect(tcp, &QTcpSocket::errorOccurred, this, [this, tcp]() { Answer(false); tcp->deleteLater(); });
        tcp->connectToHost(m_qstrAddress.left(iPortAt), m_qstrAddress.mid(iPortAt + 1).toUShort());
    }
    // An address that neither answers nor refuses counts as unreachable.
    QObject* socket = tcp != nullptr ? static_cast<QObject*>(tcp) : static_cast<QObject*>(local);
    QTimer::singleShot(iConnectTimeoutMsecs, socket, [this, socket]() { Answer(false); socket->deleteLater(); });
}
