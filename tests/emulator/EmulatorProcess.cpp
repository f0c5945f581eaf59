#include "EmulatorProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTest>

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

    m_QProcessEmulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_QProcessEmulator.start(QStringLiteral(CORVINA_PYTHON_EXECUTABLE),
                             {QStringLiteral("-B"), // no bytecode files in the source tree
                              QStringLiteral(CORVINA_EMULATOR_SCRIPT), QStringLiteral("--config"),
                              qFileConfig.fileName(), QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                              QStringLiteral("--control"), m_qTemporaryDir.filePath(QStringLiteral("control.sock")),
                              QStringLiteral("--log"), m_qTemporaryDir.filePath(QStringLiteral("emulator.log"))});
    if (!m_QProcessEmulator.waitForStarted(kTimeoutMs))
        return Fail(strErrorMessage, QStringLiteral("emulator did not start: ") + m_QProcessEmulator.errorString());

    // The emulator announces itself with one line: "READY <address>".
    const QDeadlineTimer qDeadlineTimer(kTimeoutMs);
    while (!m_QProcessEmulator.canReadLine()) {
        if (qDeadlineTimer.hasExpired() || m_QProcessEmulator.state() != QProcess::Running)
            return Fail(strErrorMessage, QStringLiteral("emulator not ready: ") + LogText());
        m_QProcessEmulator.waitForReadyRead(100);
    }
    const QByteArray baLine = m_QProcessEmulator.readLine().trimmed();
    if (!baLine.startsWith("READY "))
        return Fail(strErrorMessage, QStringLiteral("unexpected first line: ") + QString::fromUtf8(baLine));
    m_bHadPreviousAddress = qEnvironmentVariableIsSet(kAddressVariable);
    m_baPreviousAddress = qgetenv(kAddressVariable);
    m_bAddressSet = qputenv(kAddressVariable, baLine.mid(6));
    return true;
}

void EmulatorProcess::Stop()
{
    if (m_QProcessEmulator.state() != QProcess::NotRunning) {
        m_QProcessEmulator.terminate();
        if (!m_QProcessEmulator.waitForFinished(kTimeoutMs / 2)) {
            m_QProcessEmulator.kill();
            m_QProcessEmulator.waitForFinished(kTimeoutMs / 2);
        }
    }
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
