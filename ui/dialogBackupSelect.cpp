#include "dialogBackupSelect.h"

#include "CBackup.h"
#include "CStaticPubFunc.h"
#include "CWindowDrag.h"
#include "LogCallSite.h"

#include <QElapsedTimer>
#include <QGraphicsDropShadowEffect>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QThread>
#include <QTimer>

namespace {

// A padlock, the row icon of an encrypted set.
QIcon LockIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x55, 0x5b, 0x66), 3));
    painter.drawArc(QRectF(9, 3, 14, 18), 0, 180 * 16);
    painter.drawLine(QPointF(9, 12), QPointF(9, 15));
    painter.drawLine(QPointF(23, 12), QPointF(23, 15));
    QPainterPath body;
    body.addRoundedRect(QRectF(5, 14, 22, 16), 3, 3);
    painter.fillPath(body, QColor(0xd9, 0xa4, 0x1e));
    painter.fillRect(QRectF(15, 19, 2, 6), QColor(0x55, 0x5b, 0x66));
    return QIcon(pixmap);
}

} // namespace

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
    labelReason = new QLabel(ui.widget);
    labelReason->setObjectName(QStringLiteral("labelReason"));
    labelReason->setWordWrap(true);
    labelReason->setTextFormat(Qt::PlainText);
    ui.verticalLayout->insertWidget(ui.verticalLayout->indexOf(ui.listWidgetBackup) + 1, labelReason);
    ui.btnOK->setEnabled(false);
}

dialogBackupSelect::~dialogBackupSelect()
{
    bStopChecking = true;
    if (threadCheck != nullptr) {
        threadCheck->wait();
        delete threadCheck;
    }
}

QString dialogBackupSelect::CheckedRowText(const QString& qstrSetFolderName, const structSetCheck& structSetCheckThis)
{
    const QStringList listPieces = RowText(qstrSetFolderName).split(QStringLiteral("\t\t"));
    const QString qstrDevice =
        structSetCheckThis.qstrDeviceName.isEmpty() ? listPieces.value(1) : structSetCheckThis.qstrDeviceName;
    QStringList listColumns{qstrDevice};
    if (!structSetCheckThis.qstrProductVersion.isEmpty())
        listColumns << tr("iOS %1").arg(structSetCheckThis.qstrProductVersion);
    if (structSetCheckThis.eiState == eiSetState_Complete)
        listColumns << QLocale().formattedDataSize(structSetCheckThis.iTotalBytes) << tr("complete");
    else
        listColumns << (structSetCheckThis.eiState == eiSetState_Unfinished ? tr("unfinished") : tr("damaged"));
    return listPieces.value(0) + QStringLiteral("\t\t") + listColumns.join(QStringLiteral("\t"));
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
        listRowState.append(RowState());
        ui.listWidgetBackup->addItem(new QListWidgetItem(icon, qstrRow + QStringLiteral("\t") + tr("checking...")));
    }
    bPreselecting = !qstrDeviceUDID.isEmpty() && !qstrlistBackupName.isEmpty();
    ui.listWidgetBackup->setCurrentRow(-1);
    // The checks start a moment later, once the dialog has been shown and
    // painted, so that they do not take the processor from its first paint.
    if (!qstrlistBackupName.isEmpty() && threadCheck == nullptr) {
        threadCheck = QThread::create([this, listNames = qstrlistBackupName]() { CheckSets(listNames); });
        QTimer::singleShot(iCheckDelayMsecs, this, [this]() { threadCheck->start(); });
    }
    TEXTLOG("Exit : rows : %d", ui.listWidgetBackup->count());
    return true;
}

void dialogBackupSelect::CheckSets(const QStringList& listSetFolders)
{
    const auto post = [this](QList<CheckedSet>& listBatch) {
        QMetaObject::invokeMethod(this, [this, listBatch]() { ShowChecks(listBatch); }, Qt::QueuedConnection);
        listBatch.clear();
    };
    QList<CheckedSet> listBatch;
    QElapsedTimer sincePost;
    sincePost.start();
    for (qsizetype i = listSetFolders.size() - 1; i >= 0 && !bStopChecking; --i) {
        const QString qstrSet = CBackup::JoinPath(qstrBackupRootDirectory.trimmed(), listSetFolders.at(i));
        CheckedSet checked;
        checked.iRow = int(i);
        QString qstrIPAFolderName;
        CBackup::ReadBackupFlag(qstrSet, checked.qstrDataFolderName, qstrIPAFolderName);
        // A marker that names no folder inside the set leaves nothing to check.
        if (CStaticPubFunc::IsPlainFileName(checked.qstrDataFolderName))
            checked.structSetCheckThis =
                CBackupSetCheck::Check(CBackup::JoinPath(qstrSet, checked.qstrDataFolderName), false);
        else
            checked.structSetCheckThis.qstrProblem = QStringLiteral("the marker names no data folder");
        listBatch.append(checked);
        // The first sets at once (the preselection is among the newest), then a batch each 100 ms.
        if (sincePost.elapsed() >= 100 || i + 8 >= listSetFolders.size()) {
            post(listBatch);
            sincePost.restart();
        }
    }
    if (!listBatch.isEmpty())
        post(listBatch);
}

void dialogBackupSelect::ShowChecks(const QList<CheckedSet>& listChecked)
{
    ui.listWidgetBackup->setUpdatesEnabled(false);
    for (const CheckedSet& checked : listChecked)
        ShowCheck(checked);
    ui.listWidgetBackup->setUpdatesEnabled(true);
    ShowCurrentState();
}

void dialogBackupSelect::ShowCheck(const CheckedSet& checked)
{
    const int iRow = checked.iRow;
    const structSetCheck& structSetCheckThis = checked.structSetCheckThis;
    if (iRow < 0 || iRow >= listRowState.size())
        return;
    RowState& state = listRowState[iRow];
    state.bChecked = true;
    state.bComplete = structSetCheckThis.eiState == eiSetState_Complete;
    if (structSetCheckThis.eiState == eiSetState_Unfinished)
        state.qstrReason = tr("This backup did not finish and cannot be restored. Choose another backup.");
    else if (!state.bComplete)
        state.qstrReason = tr("This backup is damaged (files are missing or its manifest cannot be read) and cannot "
                              "be restored. Choose another backup.");
    QListWidgetItem* item = ui.listWidgetBackup->item(iRow);
    item->setText(CheckedRowText(qstrlistBackupName.at(iRow), structSetCheckThis));
    state.bEncrypted = structSetCheckThis.bEncrypted;
    if (structSetCheckThis.bEncrypted) {
        item->setIcon(LockIcon());
        item->setToolTip(tr("Encrypted: restoring it asks for its password."));
    }
    if (bPreselecting && state.bComplete && checked.qstrDataFolderName == qstrDeviceUDID) {
        bPreselecting = false;
        bSettingRow = true;
        ui.listWidgetBackup->setCurrentRow(iRow);
        bSettingRow = false;
    }
    if (iRow == 0)
        bPreselecting = false;
}

void dialogBackupSelect::ShowCurrentState()
{
    const int iRow = ui.listWidgetBackup->currentRow();
    const bool bValid = iRow >= 0 && iRow < listRowState.size();
    ui.btnOK->setEnabled(bValid && listRowState.at(iRow).bComplete);
    bSelectedEncrypted = bValid && listRowState.at(iRow).bEncrypted;
    labelReason->setText(bValid ? listRowState.at(iRow).qstrReason : QString());
}

void dialogBackupSelect::on_btnOK_clicked()
{
    if (!ui.btnOK->isEnabled())
        return;
    bAccepted = true;
    close();
}

void dialogBackupSelect::on_listWidgetBackup_itemDoubleClicked(QListWidgetItem* item)
{
    Q_UNUSED(item);
    on_btnOK_clicked();
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
    if (!bSettingRow && currentRow >= 0)
        bPreselecting = false;
    ShowCurrentState();
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
