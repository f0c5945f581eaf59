// The modal dialog in which the user chooses the backup set to restore: one
// row per set of the backup root, the newest last, each with its date and
// time, device name, iOS version, size, a lock when encrypted, and its state
// (complete, unfinished, damaged). The states come from the cheap part of the
// set check, run on a thread of the dialog's so that a large root opens at
// once; rows say "checking" until theirs is known. Only a complete set can be
// taken; for another the dialog says why not. The newest complete set of the
// device qstrDeviceUDID names is preselected as its check arrives; none when
// there is no such set. The caller sets qstrBackupRootDirectory and
// qstrDeviceUDID, calls InitBackupList() once, runs exec() and then reads
// bAccepted and qstrSelectedBackup (a choice only when bAccepted and not empty).
#ifndef CORVINA_DIALOGBACKUPSELECT_H
#define CORVINA_DIALOGBACKUPSELECT_H

#include "CBackupSetCheck.h"
#include "ui_dialogBackupSelect.h"

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <atomic>

class QLabel;
class QListWidgetItem;
class QThread;
class QTableWidgetItem;

class dialogBackupSelect : public QDialog
{
    Q_OBJECT

public:
    dialogBackupSelect();
    // Stops the checking thread and waits for it (a set's check at most).
    ~dialogBackupSelect() override;

    // Fills the list from the sets of qstrBackupRootDirectory and starts
    // checking them, the newest first; always true.
    bool InitBackupList();

    // The row text of a set folder name: the time stamp with "__" read as a
    // blank and "_" as ":", two tabs and the device name; empty when the name
    // is not "time_@_@_device" (a folder made by hand).
    static QString RowText(const QString& qstrSetFolderName);

    // The row of a checked set: RowText's date with the device name and iOS
    // version the set tells, its size, and its state.
    static QString CheckedRowText(const QString& qstrSetFolderName, const structSetCheck& structSetCheckThis);

    static constexpr int iCheckDelayMsecs = 50;

    QString qstrBackupRootDirectory;
    QString qstrDeviceUDID;
    QString qstrSelectedBackup;
    bool bSelectedEncrypted = false; // the chosen set is encrypted: its restore needs the password
    bool bAccepted = false;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private slots:
    void on_btnOK_clicked();
    void on_listWidgetBackup_itemDoubleClicked(QListWidgetItem* item);
    void on_listWidgetBackup_currentTextChanged(QString currentText);
    void on_btnCancel_clicked();
    void on_tableWidgetBackup_itemDoubleClicked(QTableWidgetItem* item);
    void on_tableWidgetBackup_currentItemChanged(QTableWidgetItem* current, QTableWidgetItem* previous);
    void on_tableWidgetBackup_itemSelectionChanged();
    void on_btnClose_clicked();
    void on_listWidgetBackup_currentItemChanged(QListWidgetItem* current, QListWidgetItem* previous);
    void on_listWidgetBackup_currentRowChanged(int currentRow);

private:
    struct RowState
    {
        bool bChecked = false;
        bool bComplete = false;
        bool bEncrypted = false;
        QString qstrReason; // why it cannot be taken; empty when it can
    };

    struct CheckedSet
    {
        int iRow = -1;
        QString qstrDataFolderName;
        structSetCheck structSetCheckThis;
    };

    // The checking thread's body: each set's marker and check, newest first,
    // handed to ShowChecks on the GUI thread a batch at a time (a root of
    // thousands of sets would otherwise flood the GUI thread with events).
    void CheckSets(const QStringList& listSetFolders);
    void ShowChecks(const QList<CheckedSet>& listChecked);
    void ShowCheck(const CheckedSet& checked);
    // OK and the reason follow the current row.
    void ShowCurrentState();

    QPoint pointDragOffset;
    bool bDragging = false;
    QStringList qstrlistBackupName;
    QList<RowState> listRowState;
    QLabel* labelReason = nullptr;
    QThread* threadCheck = nullptr;
    std::atomic<bool> bStopChecking{false};
    bool bPreselecting = true; // until a set is preselected, the user chooses, or all are checked
    bool bSettingRow = false;  // the dialog itself moves the current row
    Ui::dialogBackupSelect ui;
};

#endif
