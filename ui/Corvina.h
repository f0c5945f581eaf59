// The program's only top-level window: a frameless window with a painted
// title bar and a page stack holding the home page (index 2) and the
// backup/restore page (index 3). It is also the bridge from the device driver
// layer to the pages: DeviceNofictionCallbackEx keeps the device table on the
// library's notification thread and reaches the pages only through queued
// signals.
#ifndef CORVINA_CORVINA_H
#define CORVINA_CORVINA_H

#include "DeviceNotificationArgs.h"
#include "SharedTypes.h"
#include "ui_Corvina.h"

#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <atomic>

class QCloseEvent;
class QMouseEvent;
class QNetworkAccessManager;
class widgetBackupRestoreStatus;
class widgetPrepareProgressResult;

class Corvina : public QWidget
{
    Q_OBJECT

public:
    explicit Corvina(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // From here on notifications no longer reach this window.
    ~Corvina() override;

    // True when the single-instance handshake decided this instance must end;
    // start-up then ends with 0 without running the event loop.
    bool MustEnd() const { return m_bMustEnd; }

    // Receives every device arrival and departure, on the device library's
    // notification thread; window is the Corvina the driver was loaded for.
    static void DeviceNofictionCallbackEx(DeviceNotificationArgs* pDeviceNotificationArgs, void* window);

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
    // The signals that follow an arrival or departure that changed the table.
    void UpdatePages(int iDeviceCount);
    void AskBeforeStopping();
    void BeginStopping();
    void ShowHome();

    widgetBackupRestoreStatus* m_widgetBackupRestoreStatus = nullptr;
    widgetPrepareProgressResult* m_widgetPrepareProgressResult = nullptr;
    QPoint m_QPointDrag;
    bool m_bDrag = false;
    // Written on the GUI thread, read by the notification handler.
    std::atomic<enumFormBackupRestoreIndex> m_enumFormBackupRestoreIndex{eiFormBackupRestoreIndex_BackupRestoreStatus};
    Ui::CorvinaClass ui;
    bool m_bMustEnd = false;
    QNetworkAccessManager* m_pStatistics = nullptr;
    bool m_bClosingWithoutAsking = false;
    bool m_bStopping = false;            // the operation is being ended for the close
    bool m_bStopDeadlinePassed = false;  // the close no longer waits for it
    QPointer<QMessageBox> m_pCloseQuestion;
};

#endif
