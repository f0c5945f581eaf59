// The backup/restore page: a device selector over five sections, one shown at
// a time: the backup settings, the restore settings, the progress display, the
// success result and the failure result. It starts one operation at a time
// (COperation, which owns the worker thread), follows its progress and shows
// its result. Everything here runs on the user-interface thread; the
// operation's signals arrive here queued.
#ifndef CORVINA_WIDGETPREPAREPROGRESSRESULT_H
#define CORVINA_WIDGETPREPAREPROGRESSRESULT_H

#include "AppGlobals.h"
#include "CBackupSetCheck.h"
#include "CDeviceTable.h"
#include "CFailureCause.h"
#include "COperation.h"
#include "SharedTypes.h"
#include "ui_widgetPrepareProgressResult.h"

#include <QList>
#include <QString>
#include <QWidget>

class CPasswordKeyring;
class widgetBackupEncryption;

class widgetPrepareProgressResult : public QWidget
{
    Q_OBJECT
    // The main window hands the device lists to slot_UpdateDevice.
    friend class Corvina;

public:
    explicit widgetPrepareProgressResult(QWidget* parent = nullptr);
    // Frees its operation, which waits (bounded) for a thread still running.
    ~widgetPrepareProgressResult() override;

    // One drive as the default-directory walk sees it.
    struct structDrive
    {
        QString qstrPath;
        bool bWritable = false;
    };

    // The Windows default backup directory: qstrFolderName under the second
    // writable drive when the first two writable drives follow each other,
    // under the first when a drive that cannot be written follows it, the bare
    // folder name when no drive can be written.
    static QString DefaultDirectoryOnDrives(const QList<structDrive>& listDrives, const QString& qstrFolderName);

    // Whether the thread of the page's operation is still running.
    bool IsOperationRunning() const;

    // Whether the running operation is a restore (false for a backup or none).
    bool IsRestoreRunning() const;

    // The program is closing: ends the tool of the running operation and
    // returns at once; signal_OperationStopped follows when its thread has
    // ended. The progress display says that the operation is stopping.
    // False (and no signal) when no operation runs.
    bool StopOperation();

    // Whether the page shows the outcome of an operation. A departure is no
    // reason to take it away: a restore reboots its device right after its
    // success, and an unplugged device's failure says what happened.
    bool ShowsResult() const { return m_enumStatus == eiFormDeviceBackupRestoreStatus_Result; }

    // The operation of the latest start; null before the first.
    COperation* Operation() const { return m_pOperation; }

    // The folders the backup and the restore section use, shown in their
    // labels; what the folder chooser sets (without storing it).
    void SetBackupDirectory(const QString& qstrDirectory);
    void SetRestoreDirectory(const QString& qstrDirectory);

signals:
    void signal_SwitchStatus_PrepareProgressResult(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis,
                                                   int iReserve1);
    void signal_QuitProgram();
    void signal_ClickBtnRestoreOtherDirectory();
    // The outcome of the page's operation has arrived: the window shows the
    // page again if a departed device had taken the user home meanwhile.
    void signal_ShowResult();
    // The thread that StopOperation() ended has finished.
    void signal_OperationStopped();
    // The user asked for the home page (the page shows no running operation).
    void signal_GoHome();

public slots:
    void slot_SwitchStatus_PrepareProgressResult(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis,
                                                 int iReserve1);
    void slot_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress);

private slots:
    void on_btnBackup_clicked();
    void on_btnRestore_clicked();
    void on_btnResultFailedRetry_clicked();
    void on_btnResultSuccessfulQuit_clicked();
    void on_btnRestoreOtherDirectory_clicked();
    void on_btnBackupOtherDirectory_clicked();
    // One tab per device, named after it; the tab keeps its UDID as data.
    void slot_UpdateDevice(const QList<structDeviceInfo>& listDevices);
    void on_chkBackupPersonalData_stateChanged(int iState);
    void on_chkBackupGameApp_stateChanged(int iState);
    void on_chkRestorePersonalData_stateChanged(int iState);
    void on_chkRestoreGameApp_stateChanged(int iState);
    void on_tabWidget_currentChanged(int iIndex);
    void on_btnProgressCancel_clicked();
    void on_btnResultFailedSettings_clicked();
    void on_btnHome_clicked();
    void on_btnResultSuccessfulOpenFolder_clicked();
    void slot_OperationProgress(const structOperationProgress& progress);
    void slot_OperationFinished(const structOperationResult& result);

private:
    QString DefaultDirectory() const;
    QString SettingsFilePath() const;
    void StoreDirectory(const QString& qstrDirectory) const;
    // The folder chooser for one section; true when a folder was chosen.
    bool ChooseDirectory(bool bRestore);
    // The status switch; with Result, what the result section shows.
    void SwitchStatus(enumFormDeviceBackupRestoreStatus enumStatus, const structOperationResult& result,
                      bool bFromOperation);
    void ShowSections(enumFormDeviceBackupRestoreStatus enumStatus, bool bSucceeded);
    void ShowWarning(const structOperationResult& result);
    void ShowSuccessDetails(const structOperationResult& result);
    // Before a backup: true when the backup folder's disk may hold the
    // device's data; otherwise says so and offers another folder, and false.
    bool SpaceConfirmed(const QString& qstrDeviceUDID);
    // The device as the latest list gave it; an empty record when not listed.
    structDeviceInfo ListedDevice(const QString& qstrDeviceUDID) const;
    void ShowFailureCause(const structOperationResult& result);
    void ShowProgressHints();
    // Makes and starts the page's operation; the one it replaces is freed
    // once its thread has ended (it no longer reaches the page).
    void StartOperation(const structOperationRequest& request);
    void Retire(COperation* pOperation);
    // Tells the running operation whether its device is still listed.
    void FollowOperationDevice();
    bool IsDevicePresent(const QString& qstrDeviceUDID) const;
    // The UDID of the tab at iIndex; empty for no tab.
    QString TabDevice(int iIndex) const;
    // The device of the selected tab, read when the user presses a start
    // button: the operation goes to that device and no other.
    bool SelectedDevice(QString& qstrUDID, QString& qstrName) const;
    void SelectDevice(const QString& qstrUDID);
    // An encrypted set's password from the user; empty when they cancelled.
    // The set's device (qstrSetUDID) names its password in the keyring, which
    // fills the dialog unless the last password was wrong; a password the user
    // asked to remember is kept once a restore with it succeeded.
    QString AskPassword(const QString& qstrSetName, const QString& qstrSetUDID, bool bAgain);
    // Asks before a set made from another device replaces this one's data.
    bool ConfirmSetOfAnotherDevice(const QString& qstrSet, const QString& qstrSetUDID,
                                   const QString& qstrTargetName) const;

    Ui::widgetPrepareProgressResult ui;

    COperation* m_pOperation = nullptr;     // the latest start's; a child of the page
    QList<structDeviceInfo> m_listDevices;  // the latest device list
    QString m_qstrBackupDirectory;          // the backup section's root folder
    QString m_qstrRestoreDirectory;         // the restore section's root folder
    bool m_bAsksPasscode = false;
    enumFailureCause m_eiLastCause = eiFailureCause_None; // of the latest result shown
    widgetBackupEncryption* m_pEncryption = nullptr;
    CPasswordKeyring* m_pKeyring = nullptr;
    QString m_qstrSetUDID;       // the device whose set the latest restore restores
    QString m_qstrPasswordToKeep; // kept in the keyring when that restore succeeds
    enumFormDeviceBackupRestoreStatus m_enumStatus = eiFormDeviceBackupRestoreStatus_Setting;
};

#endif
