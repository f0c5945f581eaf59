// The program's only top-level window: a frameless window with a painted
// title bar and a page stack.
#ifndef CORVINA_CORVINA_H
#define CORVINA_CORVINA_H

#include "DeviceNotificationArgs.h"
#include "SharedTypes.h"
#include "ui_Corvina.h"

#include <QPoint>
#include <QWidget>

class QMouseEvent;
class QNetworkAccessManager;

class Corvina : public QWidget
{
    Q_OBJECT

public:
    explicit Corvina(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~Corvina() override;

    // True when the single-instance handshake decided this instance must end;
    // start-up then ends with 0 without running the event loop.
    bool MustEnd() const { return m_bMustEnd; }

    // Receives every device arrival and departure, on the device library's
    // notification thread; window is the Corvina the driver was loaded for.
    static void DeviceNofictionCallbackEx(DeviceNotificationArgs* pDeviceNotificationArgs, void* window);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

signals:
    void signal_UpdateDevice();
    void signal_SwitchStatus(enumFormBackupRestoreIndex enumFormBackupRestoreIndexThis, int iReserve1);
    void signal_SwitchStatus_DeviceConnect(enumFormDeviceConnectStatus enumFormDeviceConnectStatusThis, int iReserve1);
    void signal_QuitProgram();

private slots:
    void slot_SwitchStatus(enumFormBackupRestoreIndex enumFormBackupRestoreIndexThis, int iReserve1);
    void on_btnMin_clicked();
    void on_btnClose_clicked();
    void slot_QuitProgram();

private:
    void LoadDriverOrEnd();
    void ShowFromAnotherStart();
    void LoadStatisticsPage();

    QPoint m_QPointDrag;
    bool m_bDrag = false;
    enumFormBackupRestoreIndex m_enumFormBackupRestoreIndex = eiFormBackupRestoreIndex_BackupRestoreStatus;
    Ui::CorvinaClass ui;
    bool m_bMustEnd = false;
    QNetworkAccessManager* m_pStatistics = nullptr;
};

#endif
