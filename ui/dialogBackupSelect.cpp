#include "dialogBackupSelect.h"

#include "CBackup.h"
#include "CWindowDrag.h"
#include "LogCallSite.h"

#include <QGraphicsDropShadowEffect>
#include <QIcon>
#include <QMouseEvent>

dialogBackupSelect::dialogBackupSelect()
    : QDialog(nullptr)
{
    ui.setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);
    setWindowTitle(tr("Select Backup Directory"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(ui.widget);
    shadow->setBlurRadius(5.0);
    shadow->setOffset(0, 1);
    ui.widget->setGraphicsEffect(shadow);
    ui.tableWidgetBackup->hide();
}

QString dialogBackupSelect::RowText(const QString& qstrSetFolderName)
{
    const QStringList listPieces = qstrSetFolderName.split(QStringLiteral("_@_@_"));
    if (listPieces.size() < 2)
        return QString();
    QString qstrTime = listPieces.at(0);
    qstrTime.replace(QStringLiteral("__"), QStringLiteral(" "));
    qstrTime.replace(QLatin1Char('_'), QLatin1Char(':'));
    return qstrTime + QStringLiteral("\t\t") + listPieces.at(1);
}

bool dialogBackupSelect::InitBackupList()
{
    TEXTLOG("Enter");
    const QIcon icon(QStringLiteral(":/Corvina/Resources/BackupPic.png"));
    const QStringList listNames = CBackup::QStrGetAllBackupDirectory(qstrBackupRootDirectory);
    for (const QString& qstrName : listNames) {
        const QString qstrRow = RowText(qstrName);
        if (qstrRow.isEmpty())
            continue;
        // The list is filled before it is shown, so no row change reaches the
        // slot before its folder name is in the list.
        qstrlistBackupName.append(qstrName);
        ui.listWidgetBackup->addItem(new QListWidgetItem(icon, qstrRow));
    }
    ui.listWidgetBackup->setCurrentRow(ui.listWidgetBackup->count() - 1);
    TEXTLOG("Exit : rows : %d", ui.listWidgetBackup->count());
    return true;
}

void dialogBackupSelect::on_btnOK_clicked()
{
    bAccepted = true;
    close();
}

void dialogBackupSelect::on_listWidgetBackup_itemDoubleClicked(QListWidgetItem* item)
{
    Q_UNUSED(item);
    bAccepted = true;
    close();
}

void dialogBackupSelect::on_listWidgetBackup_currentTextChanged(QString currentText)
{
    Q_UNUSED(currentText);
}

void dialogBackupSelect::on_btnCancel_clicked()
{
    bAccepted = false;
    close();
}

void dialogBackupSelect::on_tableWidgetBackup_itemDoubleClicked(QTableWidgetItem* item)
{
    Q_UNUSED(item);
}

void dialogBackupSelect::on_tableWidgetBackup_currentItemChanged(QTableWidgetItem* current, QTableWidgetItem* previous)
{
    Q_UNUSED(current);
    Q_UNUSED(previous);
}

void dialogBackupSelect::on_tableWidgetBackup_itemSelectionChanged()
{
}

void dialogBackupSelect::on_btnClose_clicked()
{
    bAccepted = false;
    close();
}

void dialogBackupSelect::on_listWidgetBackup_currentItemChanged(QListWidgetItem* current, QListWidgetItem* previous)
{
    Q_UNUSED(current);
    Q_UNUSED(previous);
}

void dialogBackupSelect::on_listWidgetBackup_currentRowChanged(int currentRow)
{
    if (currentRow >= 0 && currentRow < qstrlistBackupName.size())
        qstrSelectedBackup = qstrlistBackupName.at(currentRow);
}

void dialogBackupSelect::mousePressEvent(QMouseEvent* event)
{
    CWindowDrag::Press(event, pointDragOffset, bDragging);
    QDialog::mousePressEvent(event);
}

void dialogBackupSelect::mouseMoveEvent(QMouseEvent* event)
{
    CWindowDrag::Move(this, event, pointDragOffset, bDragging);
    QDialog::mouseMoveEvent(event);
}

void dialogBackupSelect::mouseReleaseEvent(QMouseEvent* event)
{
    CWindowDrag::Release(event, bDragging);
    QDialog::mouseReleaseEvent(event);
}
