// The home page: under a banner, either a prompt to connect a device or the
// two big buttons Backup and Restore. A click records the chosen operation in
// g_bDeviceRestore and asks the main window for the backup/restore page.
// Everything here runs on the user-interface thread.
#ifndef CORVINA_WIDGETBACKUPRESTORESTATUS_H
#define CORVINA_WIDGETBACKUPRESTORESTATUS_H

#include "SharedTypes.h"
#include "ui_widgetBackupRestoreStatus.h"

#include <QWidget>

class CDeviceServiceProbe;

class widgetBackupRestoreStatus : public QWidget
{
    Q_OBJECT

public:
    explicit widgetBackupRestoreStatus(QWidget* parent = nullptr);

signals:
    void signal_SwitchStatus(enumFormBackupRestoreIndex enumFormBackupRestoreIndexThis, int iReserve1);

public slots:
    // 0 shows the connect prompt, 1 the two buttons; other values change nothing.
    void slot_SwitchStatus_DeviceConnect(enumFormDeviceConnectStatus enumFormDeviceConnectStatusThis, int iReserve1);

private slots:
    void on_toolButtonBackup_clicked();
    void on_toolButtonRestore_clicked();

private:
    Ui::widgetBackupRestoreStatus ui;
    // Adds a line under the connect prompt while the device service is away.
    CDeviceServiceProbe* m_pServiceProbe = nullptr;
};

#endif
