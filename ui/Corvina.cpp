#include "Corvina.h"

#include "AppGlobals.h"
#include "CDeviceMonitor.h"
#include "CSingleInstance.h"
#include "CWindowDrag.h"
#include "LogCallSite.h"
#include "widgetBackupRestoreStatus.h"
#include "widgetPrepareProgressResult.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGraphicsDropShadowEffect>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstdlib>

#ifndef CORVINA_STATS_URL
#define CORVINA_STATS_URL ""
#endif

namespace {

std::uint32_t NativeHandleOf(QWidget* window)
{
    // The segment holds 32 bits. Where native handles do not exist a later
    // start only needs to see that a window is there, so 0 becomes 1.
    const auto handle = static_cast<std::uint32_t>(window->winId());
#if defined(Q_OS_WIN)
    return handle;
#else
    return handle != 0 ? handle : 1;
#endif
}

} // namespace

Corvina::Corvina(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    ui.setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);
    setWindowTitle(tr("IOS Backup Restore"));

    m_widgetBackupRestoreStatus = new widgetBackupRestoreStatus;
    ui.stackedWidgetMain->addWidget(m_widgetBackupRestoreStatus);
    m_widgetPrepareProgressResult = new widgetPrepareProgressResult;
    ui.stackedWidgetMain->addWidget(m_widgetPrepareProgressResult);
    ui.stackedWidgetMain->setCurrentIndex(eiFormBackupRestoreIndex_BackupRestoreStatus);
    ui.stackedWidgetMain->show();

    m_pDeviceMonitor = new CDeviceMonitor(this);
    connect(m_pDeviceMonitor, &CDeviceMonitor::signal_Devices, this, &Corvina::slot_Devices);
    connect(this, &Corvina::signal_SwitchStatus, this, &Corvina::slot_SwitchStatus);
    connect(this, &Corvina::signal_SwitchStatus_DeviceConnect, m_widgetBackupRestoreStatus,
            &widgetBackupRestoreStatus::slot_SwitchStatus_DeviceConnect);
    connect(m_widgetBackupRestoreStatus, &widgetBackupRestoreStatus::signal_SwitchStatus, this,
            &Corvina::slot_SwitchStatus);
    connect(m_widgetPrepareProgressResult, &widgetPrepareProgressResult::signal_QuitProgram, this,
            &Corvina::slot_QuitProgram);
    connect(m_widgetPrepareProgressResult, &widgetPrepareProgressResult::signal_GoHome, this, &Corvina::ShowHome);
    connect(m_widgetPrepareProgressResult, &widgetPrepareProgressResult::signal_OperationStopped, this,
            [this]() { close(); });
    // An outcome that arrives after its device had left (a restore reboots the
    // device at its end; an unplugged device ends its operation a moment
    // later) is shown instead of staying hidden behind the home page.
    connect(m_widgetPrepareProgressResult, &widgetPrepareProgressResult::signal_ShowResult, this, [this]() {
        m_enumFormBackupRestoreIndex = eiFormBackupRestoreIndex_PrepareProgressResult;
        ui.stackedWidgetMain->setCurrentIndex(eiFormBackupRestoreIndex_PrepareProgressResult);
    });

    setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(ui.widget);
    shadow->setBlurRadius(5.0);
    shadow->setOffset(0, 1);
    ui.widget->setGraphicsEffect(shadow);

    // No device is known before the driver loads: the home page starts with
    // the connect prompt (the first arrival brings the buttons) rather than
    // both sections squeezed under the banner, with buttons for no device.
    m_widgetBackupRestoreStatus->slot_SwitchStatus_DeviceConnect(eiFormDeviceConnectStatus_DeviceDisConnect, 0);
    LoadDriverOrEnd();
    setWindowIcon(QIcon(QStringLiteral(":/Corvina/Resources/ico.ico")));

    if (!CSingleInstance::StepB(NativeHandleOf(this), [this]() { ShowFromAnotherStart(); })) {
        m_bMustEnd = true;
        return;
    }
    LoadStatisticsPage();
}

Corvina::~Corvina()
{
    m_pDeviceMonitor->Stop();
}

void Corvina::LoadDriverOrEnd()
{
    DriverLoadFailure failure;
    if (m_pDeviceMonitor->Start(g_qstrAppDirPath, &failure))
        return;
    const QString qstrLibrary = QString::fromStdWString(failure.library);
    const QString qstrSystemText = QString::fromLocal8Bit(failure.systemText.c_str());
    TEXTLOG("driver load failed : kind %d, library %s, %s", static_cast<int>(failure.kind), LOG8(qstrLibrary),
            LOG8(qstrSystemText));
#if defined(Q_OS_WIN)
    QMessageBox::critical(this, tr("iTunes Driver Load Failed"),
                          tr("Can't load iTunes Driver, Please install iTunes first!"), QMessageBox::Ok);
#else
    QString qstrText;
    if (failure.kind == DriverLoadFailure::LibraryNotLoadable)
        qstrText = tr("Corvina's driver library %1 cannot be loaded: the libimobiledevice libraries it needs are "
                      "missing. Install the package libimobiledevice6 (sudo apt install libimobiledevice6) and start "
                      "Corvina again.")
                       .arg(qstrLibrary)
                   + QStringLiteral("\n\n") + qstrSystemText;
    else
        qstrText = tr("Corvina's driver library %1 is missing or damaged in its program folder %2. Reinstall the "
                      "Corvina package (sudo apt install --reinstall corvina).")
                       .arg(qstrLibrary, g_qstrAppDirPath);
    TEXTLOG("%s", LOG8(qstrText));
    // A termination request closes the box (start-up watches for it), and
    // the program still ends as failed.
    QMessageBox::critical(this, tr("Device Driver Load Failed"), qstrText, QMessageBox::Ok);
#endif
    // Nothing has been started that would need an orderly end.
    std::_Exit(1);
}

void Corvina::slot_Devices(const QList<structDeviceInfo>& listDevices)
{
    m_listDevices = listDevices;
    m_widgetPrepareProgressResult->slot_UpdateDevice(listDevices);
    if (listDevices.isEmpty())
        emit signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceDisConnect);
    else if (m_enumFormBackupRestoreIndex == eiFormBackupRestoreIndex_BackupRestoreStatus)
        emit signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceBackupRestore);
}

void Corvina::ShowFromAnotherStart()
{
    TEXTLOG("Enter");
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    showNormal();
    raise();
    activateWindow();
    TEXTLOG("Exit");
}

void Corvina::LoadStatisticsPage()
{
    const QString qstrAddress = QStringLiteral(CORVINA_STATS_URL);
    if (qstrAddress.isEmpty())
        return;
    m_pStatistics = new QNetworkAccessManager(this);
    QNetworkReply* reply = m_pStatistics->get(QNetworkRequest(QUrl(qstrAddress)));
    // Nothing reads the page; the reply is only cleaned up.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

void Corvina::mousePressEvent(QMouseEvent* event)
{
    CWindowDrag::Press(event, m_QPointDrag, m_bDrag);
    QWidget::mousePressEvent(event);
}

void Corvina::mouseMoveEvent(QMouseEvent* event)
{
    CWindowDrag::Move(this, event, m_QPointDrag, m_bDrag);
    QWidget::mouseMoveEvent(event);
}

void Corvina::mouseReleaseEvent(QMouseEvent* event)
{
    CWindowDrag::Release(event, m_bDrag);
    QWidget::mouseReleaseEvent(event);
}

void Corvina::slot_SwitchStatus(enumFormBackupRestoreIndex enumFormBackupRestoreIndexThis, int iReserve1)
{
    TEXTLOG("Enter");
    // While an operation runs its page stays in charge: a departure ends in a
    // result there, and no second operation can be started beside it.
    const bool bPageInCharge = m_enumFormBackupRestoreIndex == eiFormBackupRestoreIndex_PrepareProgressResult
                               && m_widgetPrepareProgressResult->IsOperationRunning();
    switch (enumFormBackupRestoreIndexThis) {
    case eiFormBackupRestoreIndex_BackupRestoreStatus:
        m_widgetBackupRestoreStatus->slot_SwitchStatus_DeviceConnect(static_cast<enumFormDeviceConnectStatus>(iReserve1), 0);
        if (bPageInCharge) {
            TEXTLOG("Exit : an operation runs, its page stays");
            return;
        }
        // A departure does not take an outcome away (a restore ends by
        // rebooting its device); the page's Home button leads back.
        if (iReserve1 == eiFormDeviceConnectStatus_DeviceDisConnect
            && m_enumFormBackupRestoreIndex == eiFormBackupRestoreIndex_PrepareProgressResult
            && m_widgetPrepareProgressResult->ShowsResult()) {
            TEXTLOG("Exit : the outcome on show stays");
            return;
        }
        m_enumFormBackupRestoreIndex = enumFormBackupRestoreIndexThis;
        ui.stackedWidgetMain->setCurrentIndex(enumFormBackupRestoreIndexThis);
        break;
    case eiFormBackupRestoreIndex_PrepareProgressResult:
        if (bPageInCharge) {
            TEXTLOG("Exit : an operation runs, its page stays");
            return;
        }
        m_enumFormBackupRestoreIndex = enumFormBackupRestoreIndexThis;
        m_widgetPrepareProgressResult->slot_SwitchStatus_PrepareProgressResult(
            static_cast<enumFormDeviceBackupRestoreStatus>(iReserve1), 0);
        ui.stackedWidgetMain->setCurrentIndex(enumFormBackupRestoreIndexThis);
        break;
    default:
        break;
    }
    TEXTLOG("Exit");
}

void Corvina::ShowHome()
{
    slot_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus,
                      m_listDevices.isEmpty() ? eiFormDeviceConnectStatus_DeviceDisConnect
                                              : eiFormDeviceConnectStatus_DeviceBackupRestore);
}

void Corvina::CloseWithoutAsking()
{
    m_bClosingWithoutAsking = true;
}

void Corvina::closeEvent(QCloseEvent* event)
{
    TEXTLOG("Enter");
    if (!m_widgetPrepareProgressResult->IsOperationRunning() || m_bStopDeadlinePassed) {
        QWidget::closeEvent(event);
        TEXTLOG("Exit : closing");
        return;
    }
    // The window closes once the operation has ended.
    event->ignore();
    if (m_bStopping) {
        TEXTLOG("Exit : the operation is stopping");
        return;
    }
    if (m_bClosingWithoutAsking) {
        TEXTLOG("a termination signal ends the running operation without asking");
        BeginStopping();
    } else {
        AskBeforeStopping();
    }
    TEXTLOG("Exit");
}

void Corvina::AskBeforeStopping()
{
    if (m_pCloseQuestion != nullptr) {
        m_pCloseQuestion->raise();
        return;
    }
    const bool bRestore = m_widgetPrepareProgressResult->IsRestoreRunning();
    // Not exec(): a termination signal may close the program while it asks.
    m_pCloseQuestion = new QMessageBox(
        QMessageBox::Question, bRestore ? tr("Stop the restore?") : tr("Cancel the backup?"),
        bRestore ? tr("A restore is running. Stop the restore and leave the device half restored? It may not start "
                      "properly until a restore finishes.")
                 : tr("Stop the backup now? What was copied so far stays in its folder but cannot be restored."),
        QMessageBox::Yes | QMessageBox::No, this);
    m_pCloseQuestion->setDefaultButton(QMessageBox::No);
    m_pCloseQuestion->setWindowModality(Qt::ApplicationModal);
    m_pCloseQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_pCloseQuestion, &QMessageBox::finished, this, [this](int iAnswer) {
        TEXTLOG("the answer to closing while an operation runs : %d", iAnswer);
        if (iAnswer == QMessageBox::Yes && !m_bStopping)
            BeginStopping();
    });
    m_pCloseQuestion->show();
}

void Corvina::BeginStopping()
{
    m_bStopping = true;
    if (!m_widgetPrepareProgressResult->StopOperation()) {
        close();
        return;
    }
    // Bounded: a tool that does not end in time is left to the process's end.
    QTimer::singleShot(iCloseWaitMsecs, this, [this]() {
        TEXTLOG("the operation did not end in time, closing anyway");
        m_bStopDeadlinePassed = true;
        close();
    });
}

void Corvina::on_btnMin_clicked()
{
    showMinimized();
}

void Corvina::on_btnClose_clicked()
{
    close();
}

void Corvina::slot_QuitProgram()
{
    close();
}
