#include "EmulatorProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTest>

namespace {

const int kStartTimeoutMs = 10000;
const int kControlTimeoutMs = 10000;
const int kStopTimeoutMs = 5000;
const char kAddressVariable[] = "USBMUXD_SOCKET_ADDRESS";

} // namespace

EmulatorProcess::EmulatorProcess() = default;

EmulatorProcess::~EmulatorProcess()
{
    Stop();
}

QStringList EmulatorProcess::MissingTools()
{
    QStringList qstrlistMissing;
    const QStringList qstrlistTools = {QStringLiteral("idevicebackup2"), QStringLiteral("ideviceinstaller"),
                                       QStringLiteral("idevice_id")};
    for (const QString& qstrTool : qstrlistTools) {
        if (QStandardPaths::findExecutable(qstrTool).isEmpty())
            qstrlistMissing << qstrTool;
    }
    return qstrlistMissing;
}

bool EmulatorProcess::Start(const QJsonArray& jsonDevices, QString& strErrorMessage)
{
    if (!m_qTemporaryDir.isValid()) {
        strErrorMessage = QStringLiteral("no temporary folder");
        return false;
    }
    const QString qstrConfig = m_qTemporaryDir.filePath(QStringLiteral("devices.json"));
    QFile qFileConfig(qstrConfig);
    if (!qFileConfig.open(QIODevice::WriteOnly)) {
        strErrorMessage = QStringLiteral("cannot write ") + qstrConfig;
        return false;
    }
    QJsonObject jsonConfig;
    jsonConfig.insert(QStringLiteral("devices"), jsonDevices);
    qFileConfig.write(QJsonDocument(jsonConfig).toJson());
    qFileConfig.close();

    const QStringList qstrlistArguments = {
        QStringLiteral("-B"), // no bytecode files in the source tree
        QStringLiteral(CORVINA_EMULATOR_SCRIPT),
        QStringLiteral("--config"), qstrConfig,
        QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
        QStringLiteral("--control"), m_qTemporaryDir.filePath(QStringLiteral("control.sock")),
        QStringLiteral("--log"), m_qTemporaryDir.filePath(QStringLiteral("emulator.log")),
    };
    m_QProcessEmulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_QProcessEmulator.start(QStringLiteral(CORVINA_PYTHON_EXECUTABLE), qstrlistArguments);
    if (!m_QProcessEmulator.waitForStarted(kStartTimeoutMs)) {
        strErrorMessage = QStringLiteral("emulator did not start: ") + m_QProcessEmulator.errorString();
        return false;
    }

    // The emulator announces itself with one line: "READY <address>".
    QDeadlineTimer qDeadlineTimer(kStartTimeoutMs);
    while (!m_QProcessEmulator.canReadLine()) {
        if (qDeadlineTimer.hasExpired() || m_QProcessEmulator.state() != QProcess::Running) {
            strErrorMessage = QStringLiteral("emulator not ready: ") + LogText();
            Stop();
            return false;
        }
        m_QProcessEmulator.waitForReadyRead(100);
    }
    const QString qstrLine = QString::fromUtf8(m_QProcessEmulator.readLine()).trimmed();
    if (!qstrLine.startsWith(QLatin1String("READY "))) {
        strErrorMessage = QStringLiteral("unexpected first line from the emulator: ") + qstrLine;
        Stop();
        return false;
    }
    m_qstrAddress = qstrLine.mid(6);
    m_bHadPreviousAddress = qEnvironmentVariableIsSet(kAddressVariable);
    m_baPreviousAddress = qgetenv(kAddressVariable);
    qputenv(kAddressVariable, m_qstrAddress.toUtf8());
    return true;
}

void EmulatorProcess::Stop()
{
    if (m_QProcessEmulator.state() != QProcess::NotRunning) {
        m_QProcessEmulator.terminate();
        if (!m_QProcessEmulator.waitForFinished(kStopTimeoutMs)) {
            m_QProcessEmulator.kill();
            m_QProcessEmulator.waitForFinished(kStopTimeoutMs);
        }
    }
    if (!m_qstrAddress.isEmpty()) {
        if (m_bHadPreviousAddress)
            qputenv(kAddressVariable, m_baPreviousAddress);
        else
            qunsetenv(kAddressVariable);
        m_qstrAddress.clear();
    }
}

bool EmulatorProcess::Control(const QJsonObject& jsonRequest, QJsonObject& jsonAnswer, QString& strErrorMessage)
{
    QLocalSocket qLocalSocket;
    qLocalSocket.connectToServer(m_qTemporaryDir.filePath(QStringLiteral("control.sock")));
    if (!qLocalSocket.waitForConnected(kControlTimeoutMs)) {
        strErrorMessage = QStringLiteral("control socket: ") + qLocalSocket.errorString();
        return false;
    }
    qLocalSocket.write(QJsonDocument(jsonRequest).toJson(QJsonDocument::Compact) + '\n');
    QDeadlineTimer qDeadlineTimer(kControlTimeoutMs);
    while (!qLocalSocket.canReadLine()) {
        if (qDeadlineTimer.hasExpired() || !qLocalSocket.waitForReadyRead(int(qDeadlineTimer.remainingTime()))) {
            strErrorMessage = QStringLiteral("no answer on the control socket");
            return false;
        }
    }
    jsonAnswer = QJsonDocument::fromJson(qLocalSocket.readLine()).object();
    if (!jsonAnswer.value(QStringLiteral("ok")).toBool()) {
        strErrorMessage = jsonAnswer.value(QStringLiteral("error")).toString(QStringLiteral("refused"));
        return false;
    }
    return true;
}

bool EmulatorProcess::Control(const QJsonObject& jsonRequest)
{
    QJsonObject jsonAnswer;
    QString strErrorMessage;
    return Control(jsonRequest, jsonAnswer, strErrorMessage);
}

QJsonObject EmulatorProcess::DeviceStatus(const QString& qstrUDID)
{
    QJsonObject jsonRequest;
    jsonRequest.insert(QStringLiteral("cmd"), QStringLiteral("status"));
    jsonRequest.insert(QStringLiteral("udid"), qstrUDID);
    QJsonObject jsonAnswer;
    QString strErrorMessage;
    if (!Control(jsonRequest, jsonAnswer, strErrorMessage))
        return {};
    return jsonAnswer.value(QStringLiteral("device")).toObject();
}

bool EmulatorProcess::WaitForDevice(const QString& qstrUDID,
                                    const std::function<bool(const QJsonObject&)>& predicate, int iTimeoutMs)
{
    QDeadlineTimer qDeadlineTimer(iTimeoutMs);
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
    if (!qFileLog.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(qFileLog.readAll());
}
