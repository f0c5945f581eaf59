#include "widgetBackupRestoreStatus.h"

#include "AppGlobals.h"
#include "CDeviceServiceProbe.h"
#include "LogCallSite.h"

#include <QLocale>

widgetBackupRestoreStatus::widgetBackupRestoreStatus(QWidget* parent)
    : QWidget(parent)
{
    ui.setupUi(this);
    // The banner carries words, so it follows the language the texts follow.
    if (g_iLanguage == QLocale::Chinese)
        ui.widgetFunctionShow->setStyleSheet(QStringLiteral("background-image: url(:/Corvina/Resources/HomepageBG.1.png);"));
    else
        ui.widgetFunctionShow->setStyleSheet(QStringLiteral("background-image: url(:/Corvina/Resources/HomepageBG.EN.1.png);"));
    // The same address the device library and the tools use.
    m_pServiceProbe = new CDeviceServiceProbe(qEnvironmentVariable("USBMUXD_SOCKET_ADDRESS"), this);
    ui.labelServicePrompt->setVisible(!m_pServiceProbe->IsReachable());
    connect(m_pServiceProbe, &CDeviceServiceProbe::signal_ReachableChanged, ui.labelServicePrompt,
            [this](bool bReachable) { ui.labelServicePrompt->setVisible(!bReachable); });
}

void widgetBackupRestoreStatus::slot_SwitchStatus_DeviceConnect(enumFormDeviceConnectStatus enumFormDeviceConnectStatusThis,
                                                                int iReserve1)
{
    TEXTLOG("Enter");
    Q_UNUSED(iReserve1);
    switch (enumFormDeviceConnectStatusThis) {
    case eiFormDeviceConnectStatus_DeviceDisConnect:
        TEXTLOG("eiFormDeviceConnectStatus_DeviceDisConnect");
        ui.widgetBackupRestore->hide();
        ui.widgetDeviceDisconnect->show();
        break;
    case eiFormDeviceConnectStatus_DeviceBackupRestore:
        TEXTLOG("eiFormDeviceConnectStatus_DeviceBackupRestore");
        ui.widgetBackupRestore->show();
        ui.widgetDeviceDisconnect->hide();
        break;
    default:
        TEXTLOG("default");
        break;
    }
    TEXTLOG("Exit");
}

void widgetBackupRestoreStatus::on_toolButtonBackup_clicked()
{
    g_bDeviceRestore = false;
    emit signal_SwitchStatus(eiFormBackupRestoreIndex_PrepareProgressResult, eiFormDeviceBackupRestoreStatus_Setting);
}

void widgetBackupRestoreStatus::on_toolButtonRestore_clicked()
{
    g_bDeviceRestore = true;
    emit signal_SwitchStatus(eiFormBackupRestoreIndex_PrepareProgressResult, eiFormDeviceBackupRestoreStatus_Setting);
}
