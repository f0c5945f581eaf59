// The modal dialog in which the user chooses the backup set to restore: one
// row per set of the backup root, its date and time and the device name, the
// newest last and preselected. The caller sets qstrBackupRootDirectory, calls
// InitBackupList() once, runs exec() and then reads bAccepted and
// qstrSelectedBackup (a choice only when bAccepted and not empty).
#ifndef CORVINA_DIALOGBACKUPSELECT_H
#define CORVINA_DIALOGBACKUPSELECT_H

#include "ui_dialogBackupSelect.h"

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QStringList>

class QListWidgetItem;
class QTableWidgetItem;

class dialogBackupSelect : public QDialog
{
    Q_OBJECT

public:
    dialogBackupSelect();

    // Fills the list from the sets of qstrBackupRootDirectory; always true.
    bool InitBackupList();

    // The row text of a set folder name: the time stamp with "__" read as a
    // blank and "_" as ":", two tabs and the device name; empty when the name
    // is not "time_@_@_device" (a folder made by hand).
    static QString RowText(const QString& qstrSetFolderName);

    QString qstrBackupRootDirectory;
    QString qstrSelectedBackup;
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
    QPoint pointDragOffset;
    bool bDragging = false;
    QStringList qstrlistBackupName;
    Ui::dialogBackupSelect ui;
};

#endif
