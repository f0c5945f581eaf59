#include "UnixInstancePlatform.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/types.h>

namespace {

const char kShowRequest[] = "show\n";
const qint64 kShowRetryMs = 5000;

} // namespace

std::unique_ptr<InstancePlatform> InstancePlatform::Create()
{
    return std::make_unique<UnixInstancePlatform>();
}

UnixInstancePlatform::UnixInstancePlatform() = default;
UnixInstancePlatform::~UnixInstancePlatform() = default;

QString UnixInstancePlatform::RuntimePath(const std::string& name) const
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + QString::fromLocal8Bit(name.c_str());
}

std::string UnixInstancePlatform::SegmentNativeKey(const std::string& name)
{
    m_segmentName = RuntimePath(name);
    return m_segmentName.toLocal8Bit().toStdString();
}

QString UnixInstancePlatform::ShowServerName() const
{
    // An abstract socket named after the segment: it disappears with its
    // process, so a crash leaves nothing behind to clean up.
    return m_segmentName;
}

void UnixInstancePlatform::ShowFirstInstance(std::uint32_t, bool)
{
    // The first instance starts listening just after it has written its
    // handle, so a start that comes right then may have to try again.
    QElapsedTimer elapsed;
    elapsed.start();
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    for (;;) {
        socket.connectToServer(ShowServerName());
        if (socket.waitForConnected(1000))
            break;
        if (elapsed.hasExpired(kShowRetryMs))
            return;
        QThread::msleep(100);
    }
    socket.write(kShowRequest);
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
}

bool UnixInstancePlatform::TerminateProcessById(std::uint32_t processId)
{
    if (processId == 0)
        return false;
    return ::kill(static_cast<pid_t>(processId), SIGTERM) == 0;
}

namespace {

const qint64 kUnreadableLockMsecs = 500;

} // namespace

bool UnixInstancePlatform::LockInstance(const std::string& name, bool* heldElsewhere)
{
    *heldElsewhere = false;
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(RuntimePath(name));
    // No time-based staleness: a lock counts as stale only when its owner is
    // gone, which QLockFile checks by process id.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    // An owner killed while writing its lock leaves a file that names no
    // process, so it never looks stale by its owner: once it is older than
    // any writer could take, it is taken over.
    qint64 pid = 0;
    QString host;
    QString application;
    const QFileInfo lockInfo(RuntimePath(name));
    if (m_lock->error() == QLockFile::LockFailedError && !m_lock->getLockInfo(&pid, &host, &application)
        && lockInfo.lastModified().msecsTo(QDateTime::currentDateTime()) > kUnreadableLockMsecs
        && m_lock->removeStaleLockFile() && m_lock->tryLock(0))
        return true;
    *heldElsewhere = m_lock->error() == QLockFile::LockFailedError;
    return false;
}

InstancePlatform::MutexResult UnixInstancePlatform::CreateInstanceMutex(const std::string& name)
{
    bool heldElsewhere = false;
    if (LockInstance(name, &heldElsewhere))
        return MutexResult::Created;
    return heldElsewhere ? MutexResult::AlreadyExists : MutexResult::Failed;
}

bool UnixInstancePlatform::IsInstanceMutexHeldElsewhere(const std::string& name)
{
    // Taking the lock when it is free is harmless: this process goes on to
    // become the first instance and would take it anyway.
    bool heldElsewhere = false;
    LockInstance(name, &heldElsewhere);
    return heldElsewhere;
}

bool UnixInstancePlatform::ChangeCurrentDirectory(const std::string& path)
{
    return QDir::setCurrent(QString::fromLocal8Bit(path.c_str()));
}

void UnixInstancePlatform::SleepMilliseconds(unsigned milliseconds)
{
    QThread::msleep(milliseconds);
}

void UnixInstancePlatform::ServeShowRequests(const std::string& name, std::function<void()> onShow)
{
    if (m_segmentName.isEmpty())
        SegmentNativeKey(name);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!m_server->listen(ShowServerName()))
        return;
    QLocalServer* server = m_server.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onShow]() {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, onShow]() {
                if (socket->readAll().contains("show"))
                    onShow();
            });
        }
    });
}
