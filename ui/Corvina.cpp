#include "Corvina.h"

#include "CMobileDeviceDriver.h"
#include "CSingleInstance.h"
#include "LogCallSite.h"

#include <QGraphicsDropShadowEffect>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
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
    ui.stackedWidgetMain->show();

    connect(this, &Corvina::signal_SwitchStatus, this, &Corvina::slot_SwitchStatus);

    setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(ui.widget);
    shadow->setBlurRadius(5.0);
    shadow->setOffset(0, 1);
    ui.widget->setGraphicsEffect(shadow);

    LoadDriverOrEnd();
    setWindowIcon(QIcon(QStringLiteral(":/Corvina/Resources/ico.ico")));

    if (!CSingleInstance::StepB(NativeHandleOf(this), [this]() { ShowFromAnotherStart(); })) {
        m_bMustEnd = true;
        return;
    }
    LoadStatisticsPage();
}

Corvina::~Corvina() = default;

void Corvina::LoadDriverOrEnd()
{
    if (CMobileDeviceDriver::LoadDriver(this, &Corvina::DeviceNofictionCallbackEx))
        return;
    QMessageBox::critical(this, tr("iTunes Driver Load Failed"),
                          tr("Can't load iTunes Driver, Please install iTunes first!"), QMessageBox::Ok);
    // Nothing has been started that would need an orderly end.
    std::_Exit(0);
}

void Corvina::DeviceNofictionCallbackEx(DeviceNotificationArgs* pDeviceNotificationArgs, void* window)
{
    Q_UNUSED(window);
    switch (pDeviceNotificationArgs->iMessage) {
    case DeviceNotificationArgs::Connected:
        TEXTLOG("DeviceNotificationArgs::Connected-------------\xA1\xEF\xA1\xEF\xA1\xEF\xA1\xEF");
        break;
    case DeviceNotificationArgs::Disconnected:
        TEXTLOG("DeviceNotificationArgs::Disconnected-------------\xA1\xF1\xA1\xF1\xA1\xF1\xA1\xF1");
        break;
    default:
        break;
    }
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
    if (event->button() == Qt::LeftButton) {
        m_bDrag = true;
        m_QPointDrag = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void Corvina::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDrag)
        move(event->globalPosition().toPoint() - m_QPointDrag);
    QWidget::mouseMoveEvent(event);
}

void Corvina::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bDrag = false;
    QWidget::mouseReleaseEvent(event);
}

void Corvina::slot_SwitchStatus(enumFormBackupRestoreIndex enumFormBackupRestoreIndexThis, int iReserve1)
{
    TEXTLOG("Enter");
    Q_UNUSED(iReserve1);
    switch (enumFormBackupRestoreIndexThis) {
    case eiFormBackupRestoreIndex_BackupRestoreStatus:
    case eiFormBackupRestoreIndex_PrepareProgressResult:
        m_enumFormBackupRestoreIndex = enumFormBackupRestoreIndexThis;
        if (enumFormBackupRestoreIndexThis < ui.stackedWidgetMain->count())
            ui.stackedWidgetMain->setCurrentIndex(enumFormBackupRestoreIndexThis);
        break;
    default:
        break;
    }
    TEXTLOG("Exit");
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
