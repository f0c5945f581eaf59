// The program's only top-level window: a frameless window with a painted
// title bar and a page stack holding the home page (index 2) and the
// backup/restore page (index 3). Its device monitor tells it, queued, which
// devices are connected; it passes the list on to the backup/restore page and
// switches the home page between the connect prompt and its buttons.
#ifndef CORVINA_CORVINA_H
#define CORVINA_CORVINA_H

#include "CDeviceTable.h"
#include "SharedTypes.h"
#include "ui_Corvina.h"

#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QCloseEvent;
class QMouseEvent;
class QNetworkAccessManager;
class CDeviceMonitor;
class widgetBackupRestoreStatus;
class widgetPrepareProgressResult;

class Corvina : public QWidget
{
    Q_OBJECT

public:
    explicit Corvina(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // From here on device lists no longer reach this window.
    ~Corvina() override;

    // True when the single-instance handshake decided this instance must end;
    // start-up then ends with 0 without running the event loop.
    bool MustEnd() const { return m_bMustEnd; }

    // The longest the window waits, when closing, for a running operation to
    // end after its tool was asked to end.
    static constexpr int iCloseWaitMsecs = 10000;

    // A termination signal (logout, shutdown) is closing the program: the
    // next close ends a running operation without asking. GUI thread.
    void CloseWithoutAsking();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // While an operation runs, asks first (a restore stopped half-way leaves
    // the device half restored); then ends the operation's tool and closes
    // once its thread has ended, at most iCloseWaitMsecs later, with the
    // event loop running meanwhile so that no tool goes on with nobody
    // watching and the window does not freeze.
    void closeEvent(QCloseEvent* event) override;

public slots:
    // The connected devices, after each arrival or departure (from the monitor).
    void slot_Devices(const QList<structDeviceInfo>& listDevices);

signals:
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
    void AskBeforeStopping();
    void BeginStopping();
    void ShowHome();

    widgetBackupRestoreStatus* m_widgetBackupRestoreStatus = nullptr;
    widgetPrepareProgressResult* m_widgetPrepareProgressResult = nullptr;
    QPoint m_QPointDrag;
    bool m_bDrag = false;
    enumFormBackupRestoreIndex m_enumFormBackupRestoreIndex = eiFormBackupRestoreIndex_BackupRestoreStatus;
    Ui::CorvinaClass ui;
    CDeviceMonitor* m_pDeviceMonitor = nullptr;
    QList<structDeviceInfo> m_listDevices; // the latest list from the monitor
    bool m_bMustEnd = false;
    QNetworkAccessManager* m_pStatistics = nullptr;
    bool m_bClosingWithoutAsking = false;
    bool m_bStopping = false;            // the operation is being ended for the close
    bool m_bStopDeadlinePassed = false;  // the close no longer waits for it
    QPointer<QMessageBox> m_pCloseQuestion;
};

#endif
