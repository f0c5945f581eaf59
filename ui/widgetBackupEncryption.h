// The backup settings' encryption part for the selected device: whether the
// device encrypts its backups (one check box), "Change password", two
// sentences on what encryption adds and that a forgotten password cannot be
// recovered, and the device's answer when it refused a change. Ticking asks
// for a new password twice and turns encryption on; unticking asks for the
// current one and turns it off. The change runs on a worker thread
// (ThreadEncryptionChange); the passwords go to the backup tool's standard
// input only; a new password the user asked to remember goes to the keyring
// once the device took it. What a device was known to do when it arrived is updated by the
// changes made here. GUI thread only.
#ifndef CORVINA_WIDGETBACKUPENCRYPTION_H
#define CORVINA_WIDGETBACKUPENCRYPTION_H

#include "CFailureCause.h"
#include "ThreadEncryptionChange.h"

#include <QMap>
#include <QString>
#include <QWidget>

class CPasswordKeyring;
class QCheckBox;
class QLabel;
class QPushButton;

class widgetBackupEncryption : public QWidget
{
    Q_OBJECT

public:
    // pKeyring: where remembered passwords are kept; it outlives the widget.
    widgetBackupEncryption(CPasswordKeyring* pKeyring, QWidget* pParent = nullptr);
    // Waits for a change that still runs (the tool ends within its time limit).
    ~widgetBackupEncryption() override;

    // The device the settings are for, and whether it encrypted its backups
    // when it arrived (1, 0, -1 unknown); a change made here since counts instead.
    void SetDevice(const QString& qstrUDID, int iWillEncrypt);
    bool IsChanging() const { return m_pThread != nullptr; }
    // Whether the device encrypts its backups now: as changed here, else as it
    // arrived (iArrived: 1, 0, -1 unknown).
    int Encrypts(const QString& qstrUDID, int iArrived) const { return m_mapEncrypts.value(qstrUDID, iArrived); }
    // The check box looks like the page's other one.
    void StyleLike(const QCheckBox* pModel);

private:
    void OnBoxClicked();
    void OnChangePassword();
    // The current password, which the keyring fills in where it holds the
    // device's; empty when the user cancelled. bFilled: the keyring filled it.
    QString AskCurrent(const QString& qstrTitle, const QString& qstrText, const QString& qstrOk, bool& bFilled);
    // A new password, typed twice, with "Remember in the keyring" offered
    // (ticked: bRemember); what the user chose is kept for when the change
    // succeeded. Empty when the user cancelled.
    QString AskNew(const QString& qstrTitle, const QString& qstrText, const QString& qstrOk, bool bRemember);
    void Run(enumEncryptionChange eiChange, const QString& qstrOld, const QString& qstrNew);
    void OnFinished(bool bSucceeded, const structFailureCause& structCause);
    void ShowState();

    CPasswordKeyring* m_pKeyring;
    QCheckBox* m_pBox;
    QPushButton* m_pChange;
    QLabel* m_pAnswer;
    QString m_qstrUDID;
    int m_iArrived = -1;              // the device's setting when it arrived
    QMap<QString, int> m_mapEncrypts; // UDID: 1 or 0, as changed here since
    ThreadEncryptionChange* m_pThread = nullptr;
    enumEncryptionChange m_eiRunning = eiEncryptionChange_On;
    QString m_qstrRunningUDID;
    QString m_qstrPasswordToKeep; // for the keyring once the running change succeeded
};

#endif
