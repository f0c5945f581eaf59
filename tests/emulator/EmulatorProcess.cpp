#include "EmulatorProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

const int kTimeoutMs = 10000;
const char kAddressVariable[] = "USBMUXD_SOCKET_ADDRESS";

} // namespace

QStringList EmulatorProcess::MissingTools()
{
    QStringList qstrlistMissing;
    for (const char* tool : {"idevicebackup2", "ideviceinstaller", "idevice_id"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            qstrlistMissing << QLatin1String(tool);
    }
    return qstrlistMissing;
}

QList<qint64> EmulatorProcess::ToolProcesses()
{
    QList<qint64> listPids;
    for (const QString& qstrPid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile qFileStat(QStringLiteral("/proc/%1/stat").arg(qstrPid));
        if (!qFileStat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ..."
        const QByteArray baStat = qFileStat.readAll();
        const QList<QByteArray> listAfterName = baStat.mid(baStat.lastIndexOf(')') + 2).split(' ');
        if ((baStat.contains("(idevicebackup2)") || baStat.contains("(ideviceinstall")) && listAfterName.size() > 1
            && listAfterName.at(0) != "Z" && listAfterName.at(1).toLongLong() == QCoreApplication::applicationPid())
            listPids.append(qstrPid.toLongLong());
    }
    return listPids;
}

bool EmulatorProcess::Fail(QString& strErrorMessage, const QString& qstrReason)
{
    strErrorMessage = qstrReason;
    Stop();
    return false;
}

bool EmulatorProcess::Start(const QJsonArray& jsonDevices, QString& strErrorMessage)
{
    QFile qFileConfig(m_qTemporaryDir.filePath(QStringLiteral("devices.json")));
    if (!m_qTemporaryDir.isValid() || !qFileConfig.open(QIODevice::WriteOnly))
        return Fail(strErrorMessage, QStringLiteral("cannot write the device configuration"));
    qFileConfig.write(QJsonDocument(QJsonObject{{QStringLiteral("devices"), jsonDevices}}).toJson());
    qFileConfig.close();

    const QString qstrReadyFile = m_qTemporaryDir.filePath(QStringLiteral("ready"));
    QProcess qProcess;
    qProcess.setProgram(QStringLiteral(CORVINA_PYTHON_EXECUTABLE));
    qProcess.setArguments({QStringLiteral("-B"), // no bytecode files in the source tree
                           QStringLiteral(CORVINA_EMULATOR_SCRIPT), QStringLiteral("--config"), qFileConfig.fileName(),
                           QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--control"),
                           m_qTemporaryDir.filePath(QStringLiteral("control.sock")), QStringLiteral("--ready-file"),
                           qstrReadyFile, QStringLiteral("--log"),
                           m_qTemporaryDir.filePath(QStringLiteral("emulator.log")), QStringLiteral("--exit-with"),
                           QString::number(QCoreApplication::applicationPid())});
    // Nothing of this process is left open in the emulator: a harness that
    // waits for the end of a killed test's output is not kept waiting.
    qProcess.setStandardOutputFile(QProcess::nullDevice());
    qProcess.setStandardErrorFile(m_qTemporaryDir.filePath(QStringLiteral("emulator.log")), QIODevice::Append);
    if (!qProcess.startDetached(&m_iEmulatorPid))
        return Fail(strErrorMessage, QStringLiteral("emulator did not start: ") + qProcess.errorString());

    // Once listening, the emulator writes its address into the ready file.
    QByteArray baAddress;
    const QDeadlineTimer qDeadlineTimer(kTimeoutMs);
    while (baAddress.isEmpty()) {
        if (qDeadlineTimer.hasExpired() || !IsRunning())
            return Fail(strErrorMessage, QStringLiteral("emulator not ready: ") + LogText());
        QThread::msleep(20);
        QFile qFileReady(qstrReadyFile);
        if (qFileReady.open(QIODevice::ReadOnly))
            baAddress = qFileReady.readAll().trimmed();
    }
    m_bHadPreviousAddress = qEnvironmentVariableIsSet(kAddressVariable);
    m_baPreviousAddress = qgetenv(kAddressVariable);
    m_bAddressSet = qputenv(kAddressVariable, baAddress);
    return true;
}

bool EmulatorProcess::IsRunning() const
{
    // Detached, it is reaped by whoever adopts it; until then it is a zombie.
    QFile qFileStat(QStringLiteral("/proc/%1/stat").arg(m_iEmulatorPid));
    if (m_iEmulatorPid <= 0 || !qFileStat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray baStat = qFileStat.readAll();
    return !baStat.mid(baStat.lastIndexOf(')') + 2).startsWith('Z');
}

void EmulatorProcess::Stop()
{
    if (IsRunning()) {
        ::kill(pid_t(m_iEmulatorPid), SIGTERM);
        QDeadlineTimer qDeadlineTimer(kTimeoutMs / 2);
        while (IsRunning() && !qDeadlineTimer.hasExpired())
            QThread::msleep(20);
        if (IsRunning())
            ::kill(pid_t(m_iEmulatorPid), SIGKILL);
    }
    m_iEmulatorPid = 0;
    if (m_bAddressSet) {
        if (m_bHadPreviousAddress)
            qputenv(kAddressVariable, m_baPreviousAddress);
        else
            qunsetenv(kAddressVariable);
        m_bAddressSet = false;
    }
}

bool EmulatorProcess::Control(const QJsonObject& jsonRequest, QJsonObject* pjsonAnswer)
{
    QLocalSocket qLocalSocket;
    qLocalSocket.connectToServer(m_qTemporaryDir.filePath(QStringLiteral("control.sock")));
    if (!qLocalSocket.waitForConnected(kTimeoutMs))
        return false;
    qLocalSocket.write(QJsonDocument(jsonRequest).toJson(QJsonDocument::Compact) + '\n');
    const QDeadlineTimer qDeadlineTimer(kTimeoutMs);
    while (!qLocalSocket.canReadLine()) {
        if (qDeadlineTimer.hasExpired() || !qLocalSocket.waitForReadyRead(int(qDeadlineTimer.remainingTime())))
            return false;
    }
    const QJsonObject jsonAnswer = QJsonDocument::fromJson(qLocalSocket.readLine()).object();
    if (pjsonAnswer != nullptr)
        *pjsonAnswer = jsonAnswer;
    return jsonAnswer.value(QStringLiteral("ok")).toBool();
}

bool EmulatorProcess::Command(const QString& qstrCommand, const QString& qstrUDID, const QJsonObject& jsonExtra)
{
    QJsonObject jsonRequest = jsonExtra;
    jsonRequest.insert(QStringLiteral("cmd"), qstrCommand);
    jsonRequest.insert(QStringLiteral("udid"), qstrUDID);
    return Control(jsonRequest);
}

QJsonObject EmulatorProcess::DeviceStatus(const QString& qstrUDID)
{
    QJsonObject jsonAnswer;
    if (!Control({{QStringLiteral("cmd"), QStringLiteral("status")}, {QStringLiteral("udid"), qstrUDID}}, &jsonAnswer))
        return {};
    return jsonAnswer.value(QStringLiteral("device")).toObject();
}

int EmulatorProcess::Counter(const QJsonObject& jsonStatus, const char* name)
{
    return jsonStatus.value(QStringLiteral("counters")).toObject().value(QLatin1String(name)).toInt(-1);
}

bool EmulatorProcess::WaitForDevice(const QString& qstrUDID,
                                    const std::function<bool(const QJsonObject&)>& predicate, int iTimeoutMs)
{
    const QDeadlineTimer qDeadlineTimer(iTimeoutMs);
    while (!predicate(DeviceStatus(qstrUDID))) {
        if (qDeadlineTimer.hasExpired())
            return false;
        QTest::qWait(50); // keeps queued signals of the test flowing
    }
    return true;
}

QString EmulatorProcess::LogText() const
{
    QFile qFileLog(m_qTemporaryDir.filePath(QStringLiteral("emulator.log")));
    return qFileLog.open(QIODevice::ReadOnly) ? QString::fromUtf8(qFileLog.readAll()) : QString();
}
