#include "KeyringSession.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

namespace {

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");

// Waits up to 10 s for a condition the daemons fulfil when they are ready.
template <typename Condition>
bool WaitFor(Condition condition)
{
    const QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

KeyringSession::~KeyringSession()
{
    for (QProcess* process : {&m_qprocessKeyring, &m_qprocessBus}) {
        process->kill();
        process->waitForFinished(5000);
    }
}

bool KeyringSession::Start(QString& strErrorMessage)
{
    if (!m_qTemporaryDir.isValid())
        return strErrorMessage = QStringLiteral("no temporary folder"), false;
    const QString qstrHome = m_qTemporaryDir.path();
    QDir(qstrHome).mkpath(QStringLiteral("run"));
    QFile::setPermissions(qstrHome + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_qstrAddress = QStringLiteral("unix:path=%1/bus").arg(qstrHome);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("HOME"), qstrHome);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), qstrHome + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), qstrHome + QStringLiteral("/run"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_qstrAddress);
    m_qprocessBus.setProcessEnvironment(environment);
    m_qprocessBus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_qprocessBus.start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address"),
                         m_qstrAddress});
    if (!m_qprocessBus.waitForStarted(5000)
        || !WaitFor([&]() { return QFile::exists(qstrHome + QStringLiteral("/bus")); }))
        return strErrorMessage = QStringLiteral("dbus-daemon did not start"), false;

    // The keyring is made, and unlocked, with the password given on standard input.
    m_qprocessKeyring.setProcessEnvironment(environment);
    m_qprocessKeyring.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_qprocessKeyring.start(QStringLiteral("gnome-keyring-daemon"),
                            {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                             QStringLiteral("--components=secrets")});
    if (!m_qprocessKeyring.waitForStarted(5000))
        return strErrorMessage = QStringLiteral("gnome-keyring-daemon did not start"), false;
    m_qprocessKeyring.write("keyring of the test");
    m_qprocessKeyring.waitForBytesWritten(5000); // no event loop runs here to write it
    m_qprocessKeyring.closeWriteChannel();

    qputenv("DBUS_SESSION_BUS_ADDRESS", m_qstrAddress.toUtf8());
    const QString qstrProbe = QStringLiteral("keyring-session-probe");
    const bool bUp = WaitFor([&]() {
        QDBusConnection bus = QDBusConnection::connectToBus(m_qstrAddress, qstrProbe);
        return bus.isConnected() && bus.interface()->isServiceRegistered(kSecrets).value();
    });
    QDBusConnection::disconnectFromBus(qstrProbe);
    if (!bUp)
        return strErrorMessage = QStringLiteral("no Secret Service on the test's bus"), false;
    return true;
}

bool KeyringSession::Lock(QString& strErrorMessage)
{
    const QString qstrName = QStringLiteral("keyring-session-lock");
    QDBusMessage call = QDBusMessage::createMethodCall(kSecrets, QStringLiteral("/org/freedesktop/secrets"),
                                                       QStringLiteral("org.freedesktop.Secret.Service"),
                                                       QStringLiteral("Lock"));
    call << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath("/org/freedesktop/secrets/collection/login")});
    const QDBusMessage reply = QDBusConnection::connectToBus(m_qstrAddress, qstrName).call(call, QDBus::Block, 10000);
    QDBusConnection::disconnectFromBus(qstrName);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return strErrorMessage = reply.errorMessage(), false;
    return true;
}
