#include "widgetPrepareProgressResult.h"

#include "AppGlobals.h"
#include "CBackup.h"
#include "CCauseText.h"
#include "CDeviceTable.h"
#include "CPasswordKeyring.h"
#include "CProgramFolder.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"
#include "dialogBackupPassword.h"
#include "dialogBackupSelect.h"
#include "widgetBackupEncryption.h"

#include <QDesktopServices>
#include <QDir>
#include <QLocale>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <QPushButton>
#include <QSettings>
#include <QStorageInfo>
#include <QTabBar>

namespace {

const QString kDirectoryKey = QStringLiteral("/Config/BackupDirectory");
const QString kCopyOnlyChangesKey = QStringLiteral("/Config/CopyOnlyChanges");

// Whether the device table holds the device now (the selector follows the
// table through queued signals, so it may still show a device that left).
bool IsConnected(const QString& qstrUDID)
{
    QList<structDeviceInfo> listDevices;
    CDeviceTable::Snapshot(listDevices);
    for (const structDeviceInfo& device : listDevices) {
        if (device.qstrDeviceID == qstrUDID)
            return true;
    }
    return false;
}

} // namespace

widgetPrepareProgressResult::widgetPrepareProgressResult(QWidget* parent)
    : QWidget(parent)
{
    TEXTLOG("Enter");
    ui.setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    while (ui.tabWidget->count() > 0)
        ui.tabWidget->removeTab(0);

    connect(this, &widgetPrepareProgressResult::signal_SwitchStatus_PrepareProgressResult, this,
            &widgetPrepareProgressResult::slot_SwitchStatus_PrepareProgressResult);
    connect(this, &widgetPrepareProgressResult::signal_ClickBtnRestoreOtherDirectory, this,
            &widgetPrepareProgressResult::on_btnRestoreOtherDirectory_clicked);

    const QSettings QSettingsThis(SettingsFilePath(), QSettings::IniFormat);
    QString qstrDirectory = QSettingsThis.value(kDirectoryKey).toString();
    if (qstrDirectory.isEmpty())
        qstrDirectory = DefaultDirectory();
    qstrDirectory = QDir::toNativeSeparators(qstrDirectory);
    SetBackupDirectory(qstrDirectory);
    SetRestoreDirectory(qstrDirectory);
    StoreDirectory(qstrDirectory);
    CStaticPubFunc::CreateMultiLevelDirectory(qstrDirectory);
    // On unless the user turned it off.
    ui.chkCopyOnlyChanges->setChecked(QSettingsThis.value(kCopyOnlyChangesKey, true).toBool());
    connect(ui.chkCopyOnlyChanges, &QCheckBox::toggled, this, [this](bool bChecked) {
        QSettings(SettingsFilePath(), QSettings::IniFormat).setValue(kCopyOnlyChangesKey, bChecked);
    });

    // The device's encryption, which every later backup follows, above the Backup button.
    m_pKeyring = new CPasswordKeyring(this);
    m_pEncryption = new widgetBackupEncryption(m_pKeyring, ui.widgetBackup);
    m_pEncryption->StyleLike(ui.chkCopyOnlyChanges);
    m_pEncryption->setGeometry(40, 368, 879, 100);

    ui.labelBackupAppPic->hide();
    ui.labelBackupApp->hide();
    ui.labelRestoreAppPic->hide();
    ui.labelRestoreApp->hide();
    TEXTLOG("Exit");
}

widgetPrepareProgressResult::~widgetPrepareProgressResult()
{
    // Its results must not reach a page being destroyed; its destructor
    // waits for a thread still running.
    if (m_pOperation != nullptr)
        disconnect(m_pOperation, nullptr, this, nullptr);
    delete m_pOperation;
}

void widgetPrepareProgressResult::SetBackupDirectory(const QString& qstrDirectory)
{
    m_qstrBackupDirectory = qstrDirectory;
    ui.labelBackupDirectory->setText(qstrDirectory);
}

void widgetPrepareProgressResult::SetRestoreDirectory(const QString& qstrDirectory)
{
    m_qstrRestoreDirectory = qstrDirectory;
    ui.labelRestoreDirectory->setText(qstrDirectory);
}

QString widgetPrepareProgressResult::SettingsFilePath() const
{
    return CProgramFolder::SettingsFilePath(g_qstrAppDirPath);
}

void widgetPrepareProgressResult::StoreDirectory(const QString& qstrDirectory) const
{
    QSettings QSettingsThis(SettingsFilePath(), QSettings::IniFormat);
    QSettingsThis.setValue(kDirectoryKey, qstrDirectory);
}

QString widgetPrepareProgressResult::DefaultDirectoryOnDrives(const QList<structDrive>& listDrives,
                                                              const QString& qstrFolderName)
{
    TEXTLOG("QFileInfoListThis.size() : %d", static_cast<int>(listDrives.size()));
    QString qstrCandidate;
    int iWritable = 0;
    for (const structDrive& drive : listDrives) {
        TEXTLOG("%s", LOG8(drive.qstrPath));
        if (!drive.bWritable) {
            if (iWritable >= 1)
                break;
            continue;
        }
        ++iWritable;
        qstrCandidate = drive.qstrPath;
        TEXTLOG("qstrCandidate : %s", LOG8(qstrCandidate));
        if (iWritable == 2)
            break;
    }
    qstrCandidate += qstrFolderName;
    TEXTLOG("%s", LOG8(qstrCandidate));
    return qstrCandidate;
}

QString widgetPrepareProgressResult::DefaultDirectory() const
{
#if defined(Q_OS_WIN)
    QList<structDrive> listDrives;
    const QFileInfoList listDriveInfo = QDir::drives();
    for (const QFileInfo& driveInfo : listDriveInfo)
        listDrives.append({driveInfo.absoluteFilePath(), driveInfo.isWritable()});
    return DefaultDirectoryOnDrives(listDrives, tr("PeloraBackup"));
#else
    // No drive letters here: the folder goes into the user's home folder.
    return QDir(QDir::homePath()).filePath(tr("PeloraBackup"));
#endif
}

bool widgetPrepareProgressResult::ChooseDirectory(bool bRestore)
{
    const QString qstrChosen = QFileDialog::getExistingDirectory(
        this, tr("Open Directory"), bRestore ? m_qstrRestoreDirectory : m_qstrBackupDirectory,
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (qstrChosen.isEmpty())
        return false;
    if (bRestore)
        SetRestoreDirectory(qstrChosen);
    else
        SetBackupDirectory(qstrChosen);
    StoreDirectory(qstrChosen);
    return true;
}

void widgetPrepareProgressResult::on_btnBackupOtherDirectory_clicked()
{
    ChooseDirectory(false);
}

void widgetPrepareProgressResult::on_btnRestoreOtherDirectory_clicked()
{
    ChooseDirectory(true);
}

void widgetPrepareProgressResult::slot_UpdateDevice(const QList<structDeviceInfo>& listDevices)
{
    TEXTLOG("Enter");
    m_listDevices = listDevices;
    const QString qstrSelected = TabDevice(ui.tabWidget->currentIndex());
    while (ui.tabWidget->count() > 0) {
        QWidget* page = ui.tabWidget->widget(0);
        ui.tabWidget->removeTab(0);
        delete page;
    }
    for (const structDeviceInfo& device : listDevices) {
        const int iIndex = ui.tabWidget->addTab(new QWidget, device.qstrDeviceName);
        ui.tabWidget->tabBar()->setTabData(iIndex, device.qstrDeviceID);
        if (device.qstrDeviceID == qstrSelected)
            ui.tabWidget->setCurrentIndex(iIndex);
    }
    FollowOperationDevice();
    on_tabWidget_currentChanged(ui.tabWidget->currentIndex());
    TEXTLOG("Exit");
}

QString widgetPrepareProgressResult::TabDevice(int iIndex) const
{
    return iIndex < 0 ? QString() : ui.tabWidget->tabBar()->tabData(iIndex).toString();
}

bool widgetPrepareProgressResult::IsDevicePresent(const QString& qstrDeviceUDID) const
{
    for (int i = 0; i < ui.tabWidget->count(); ++i) {
        if (TabDevice(i) == qstrDeviceUDID)
            return true;
    }
    return false;
}

void widgetPrepareProgressResult::FollowOperationDevice()
{
    if (!IsOperationRunning())
        return;
    if (IsDevicePresent(m_pOperation->Request().qstrDeviceUDID))
        m_pOperation->DeviceReturned();
    else
        m_pOperation->DeviceDeparted();
}

void widgetPrepareProgressResult::on_chkBackupPersonalData_stateChanged(int iState)
{
    ui.btnBackup->setEnabled(!(iState == Qt::Unchecked && !ui.chkBackupGameApp->isChecked()));
}

void widgetPrepareProgressResult::on_chkBackupGameApp_stateChanged(int iState)
{
    ui.btnBackup->setEnabled(!(iState == Qt::Unchecked && !ui.chkBackupPersonalData->isChecked()));
}

void widgetPrepareProgressResult::on_chkRestorePersonalData_stateChanged(int iState)
{
    ui.btnRestore->setEnabled(!(iState == Qt::Unchecked && !ui.chkRestoreGameApp->isChecked()));
}

void widgetPrepareProgressResult::on_chkRestoreGameApp_stateChanged(int iState)
{
    ui.btnRestore->setEnabled(!(iState == Qt::Unchecked && !ui.chkRestorePersonalData->isChecked()));
}

void widgetPrepareProgressResult::on_tabWidget_currentChanged(int iIndex)
{
    if (m_pEncryption == nullptr)
        return; // the form's own tabs, before the constructor has made it
    const QString qstrUDID = TabDevice(iIndex);
    m_pEncryption->SetDevice(qstrUDID, ListedDevice(qstrUDID).iWillEncrypt);
}

QString widgetPrepareProgressResult::AskPassword(const QString& qstrSetName, const QString& qstrSetUDID, bool bAgain)
{
    dialogBackupPassword dialog(tr("Backup password"), dialogBackupPassword::RestoreText(qstrSetName, bAgain), false,
                                tr("Restore"), this);
    if (!bAgain) // not the refused password again
        dialog.FillFromKeyring(m_pKeyring, qstrSetUDID);
    dialog.OfferRemember(!m_qstrPasswordToKeep.isEmpty());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QString qstrPassword = dialog.Password();
    m_qstrPasswordToKeep = dialog.Remember() ? qstrPassword : QString();
    if (!dialog.Remember() && dialog.FilledFromKeyring())
        m_pKeyring->Forget(qstrSetUDID);
    return qstrPassword;
}

void widgetPrepareProgressResult::Retire(COperation* pOperation)
{
    if (pOperation == nullptr)
        return;
    // Its signals no longer reach the page, whatever it still sends.
    disconnect(pOperation, nullptr, this, nullptr);
    if (!pOperation->IsRunning()) {
        delete pOperation;
        return;
    }
    // An operation still on its way out (its device left) is given up and
    // freed once its thread has ended; it holds its device until then.
    connect(pOperation, &COperation::signal_Stopped, pOperation, &QObject::deleteLater);
    pOperation->Stop();
}

void widgetPrepareProgressResult::StartOperation(const structOperationRequest& request)
{
    Retire(m_pOperation);
    if (!request.bRestore)
        m_qstrPasswordToKeep.clear();
    m_pOperation = new COperation(request, this);
    connect(m_pOperation, &COperation::signal_Progress, this, &widgetPrepareProgressResult::slot_OperationProgress);
    connect(m_pOperation, &COperation::signal_Finished, this, &widgetPrepareProgressResult::slot_OperationFinished);
    m_bAsksPasscode = !request.bRestore && COperation::AsksPasscodeForBackup(request.qstrDeviceVersion);
    // A start that fails (a busy device) still ends in its result, queued.
    m_pOperation->Start();
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
}

void widgetPrepareProgressResult::on_btnBackup_clicked()
{
    TEXTLOG("Enter");
    QString qstrTargetUDID;
    QString qstrTargetName;
    if (!SelectedDevice(qstrTargetUDID, qstrTargetName)) {
        TEXTLOG("Exit : no device");
        return;
    }
    if (ui.chkBackupPersonalData->isChecked() && !SpaceConfirmed(qstrTargetUDID)) {
        TEXTLOG("Exit : not enough space");
        return;
    }
    structOperationRequest request;
    request.qstrDeviceUDID = qstrTargetUDID;
    request.qstrDeviceName = qstrTargetName;
    request.qstrBackupRoot = m_qstrBackupDirectory;
    request.bApps = ui.chkBackupGameApp->isChecked();
    request.bPersonalData = ui.chkBackupPersonalData->isChecked();
    request.bFull = !ui.chkCopyOnlyChanges->isChecked();
    request.qstrLockFolder = CProgramFolder::DeviceLockFolder();
    const structDeviceInfo device = ListedDevice(qstrTargetUDID);
    request.qstrDeviceVersion = device.qstrDeviceVersion;
    request.iExpectedBytes = device.iDataUsedBytes;
    // A change made in the settings since the device arrived counts.
    request.iWillEncrypt = m_pEncryption->Encrypts(qstrTargetUDID, device.iWillEncrypt);
    StartOperation(request);
    TEXTLOG("Exit");
}

structDeviceInfo widgetPrepareProgressResult::ListedDevice(const QString& qstrDeviceUDID) const
{
    for (const structDeviceInfo& device : m_listDevices) {
        if (device.qstrDeviceID == qstrDeviceUDID)
            return device;
    }
    return structDeviceInfo();
}

bool widgetPrepareProgressResult::SpaceConfirmed(const QString& qstrDeviceUDID)
{
    const qint64 iDataBytes = ListedDevice(qstrDeviceUDID).iDataUsedBytes;
    // The root may not exist yet: its nearest existing folder tells the disk.
    QString qstrFolder = QDir::cleanPath(m_qstrBackupDirectory.trimmed());
    while (!qstrFolder.isEmpty() && !QFileInfo(qstrFolder).isDir() && QFileInfo(qstrFolder).path() != qstrFolder)
        qstrFolder = QFileInfo(qstrFolder).path();
    const QStorageInfo storage(qstrFolder);
    const qint64 iFreeBytes = storage.isValid() ? storage.bytesAvailable() : -1;
    TEXTLOG("iFreeBytes : %lld, iDataBytes : %lld", iFreeBytes, iDataBytes);
    if (!CBackup::ClearlyDoesNotFit(iFreeBytes, iDataBytes))
        return true;
    QMessageBox box(QMessageBox::Warning, tr("Not enough space"),
                    tr("The backup will not fit: the disk of the backup folder has %1 free, and the device holds %2 "
                       "of data. Choose another folder?")
                        .arg(QLocale().formattedDataSize(iFreeBytes), QLocale().formattedDataSize(iDataBytes)),
                    QMessageBox::Cancel, this);
    const QPushButton* choose = box.addButton(tr("Choose Another Folder"), QMessageBox::AcceptRole);
    box.exec();
    if (box.clickedButton() == choose)
        ChooseDirectory(false);
    return false;
}

void widgetPrepareProgressResult::on_btnRestore_clicked()
{
    TEXTLOG("Enter");
    // The target is fixed by this click: a device that leaves while the
    // dialog is open must not hand its restore to whichever device is
    // selected when the dialog closes.
    QString qstrTargetUDID;
    QString qstrTargetName;
    if (!SelectedDevice(qstrTargetUDID, qstrTargetName)) {
        TEXTLOG("Exit : no device");
        return;
    }
    TEXTLOG("qstrTargetUDID : %s", LOG8(qstrTargetUDID));
    dialogBackupSelect dialog;
    dialog.qstrBackupRootDirectory = m_qstrRestoreDirectory;
    // The device's own newest sound set is offered first.
    dialog.qstrDeviceUDID = qstrTargetUDID;
    dialog.InitBackupList();
    dialog.exec();
    if (!dialog.bAccepted || dialog.qstrSelectedBackup.isEmpty()) {
        TEXTLOG("Exit : nothing chosen");
        return;
    }
    const QString qstrSet = CBackup::JoinPath(m_qstrRestoreDirectory.trimmed(), dialog.qstrSelectedBackup);
    QString qstrDataFolderName;
    QString qstrIPAFolderName;
    CBackup::ReadBackupFlag(qstrSet, qstrDataFolderName, qstrIPAFolderName);
    if (qstrDataFolderName.isEmpty() || qstrIPAFolderName.isEmpty()) {
        QMessageBox::information(this, tr("Prompt"),
                                 tr("The directory you select is not bakcup directory, pls select again!.\n"),
                                 QMessageBox::Ok);
        TEXTLOG("Exit : not a backup set");
        return;
    }
    if (!IsConnected(qstrTargetUDID)) {
        QMessageBox::information(this, tr("Prompt"),
                                 tr("\"%1\" was disconnected while the backup was being chosen. Nothing was "
                                    "restored: connect it and press Restore again.")
                                     .arg(qstrTargetName));
        TEXTLOG("Exit : the target departed");
        return;
    }
    if (qstrDataFolderName != qstrTargetUDID
        && !ConfirmSetOfAnotherDevice(dialog.qstrSelectedBackup, qstrDataFolderName, qstrTargetName)) {
        TEXTLOG("Exit : the set of another device was not confirmed");
        return;
    }
    // An encrypted set goes nowhere without its password; cancelling starts nothing.
    m_qstrSetUDID = qstrDataFolderName;
    m_qstrPasswordToKeep.clear();
    QString qstrPassword;
    if (dialog.bSelectedEncrypted
        && (qstrPassword = AskPassword(dialog.qstrSelectedBackup, m_qstrSetUDID, false)).isEmpty()) {
        TEXTLOG("Exit : no password for the encrypted set");
        return;
    }
    structOperationRequest request;
    request.bRestore = true;
    request.qstrDeviceUDID = qstrTargetUDID;
    request.qstrDeviceName = qstrTargetName;
    request.qstrSet = qstrSet;
    request.qstrPassword = qstrPassword;
    request.bApps = ui.chkRestoreGameApp->isChecked();
    request.bPersonalData = ui.chkRestorePersonalData->isChecked();
    request.qstrLockFolder = CProgramFolder::DeviceLockFolder();
    StartOperation(request);
    TEXTLOG("Exit");
}

bool widgetPrepareProgressResult::SelectedDevice(QString& qstrUDID, QString& qstrName) const
{
    const int iIndex = ui.tabWidget->currentIndex();
    if (iIndex < 0)
        return false;
    qstrUDID = TabDevice(iIndex);
    qstrName = ui.tabWidget->tabText(iIndex);
    return true;
}

void widgetPrepareProgressResult::SelectDevice(const QString& qstrUDID)
{
    for (int i = 0; i < ui.tabWidget->count(); ++i) {
        if (TabDevice(i) == qstrUDID)
            ui.tabWidget->setCurrentIndex(i);
    }
}

bool widgetPrepareProgressResult::ConfirmSetOfAnotherDevice(const QString& qstrSet, const QString& qstrSetUDID,
                                                            const QString& qstrTargetName) const
{
    // The set's folder name carries the name of the device it was made from.
    const QStringList listParts = qstrSet.split(QStringLiteral("_@_@_"));
    const QString qstrSetName = listParts.size() >= 2 ? listParts.at(1) : qstrSet;
    TEXTLOG("the set was made from another device : %s", LOG8(qstrSetUDID));
    QMessageBox box(QMessageBox::Warning, tr("Restore a backup of another device?"),
                    tr("This backup was made from \"%1\" (%2), not from \"%3\". Restoring it replaces all the data "
                       "on \"%3\" with the data of \"%1\".\n\nRestore it onto \"%3\"?")
                        .arg(qstrSetName, qstrSetUDID, qstrTargetName),
                    QMessageBox::Yes | QMessageBox::No, const_cast<widgetPrepareProgressResult*>(this));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void widgetPrepareProgressResult::slot_SwitchStatus_PrepareProgressResult(
    enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis, int iReserve1)
{
    // A result asked for from outside shows no operation's details.
    structOperationResult result;
    result.bSucceeded = iReserve1 == 1;
    SwitchStatus(enumFormDeviceBackupRestoreStatusThis, result, false);
}

void widgetPrepareProgressResult::slot_OperationFinished(const structOperationResult& result)
{
    TEXTLOG("Enter");
    // The restore proved the password right.
    if (result.bSucceeded && !m_qstrPasswordToKeep.isEmpty()) {
        m_pKeyring->Write(m_qstrSetUDID, m_qstrPasswordToKeep);
        m_qstrPasswordToKeep.clear();
    }
    // A page that no longer shows the progress (it was asked for its
    // settings meanwhile) does not jump to a result.
    if (m_enumStatus != eiFormDeviceBackupRestoreStatus_Progress) {
        TEXTLOG("Exit : a result of an earlier operation");
        return;
    }
    m_eiLastCause = result.structCause.eiCause;
    SwitchStatus(eiFormDeviceBackupRestoreStatus_Result, result, true);
}

void widgetPrepareProgressResult::SwitchStatus(enumFormDeviceBackupRestoreStatus enumStatus,
                                               const structOperationResult& result, bool bFromOperation)
{
    TEXTLOG("Enter");
    if (g_bDeviceRestore) {
        ui.labelProgressPrompt->setText(tr("Restoring..."));
        TEXTLOG("g_bDeviceRestore = true");
    } else {
        ui.labelProgressPrompt->setText(tr("Backing up..."));
        TEXTLOG("g_bDeviceRestore = false");
    }
    switch (enumStatus) {
    case eiFormDeviceBackupRestoreStatus_Setting:
        TEXTLOG("eiFormDeviceBackupRestoreStatus_Setting");
        ShowSections(enumStatus, false);
        break;
    case eiFormDeviceBackupRestoreStatus_Progress:
        TEXTLOG("eiFormDeviceBackupRestoreStatus_Progress");
        ui.labelProgressValue->setText(QStringLiteral("0%"));
        ui.labelProgressBytes->clear();
        ShowProgressHints();
        ShowSections(enumStatus, false);
        break;
    case eiFormDeviceBackupRestoreStatus_Result:
        TEXTLOG("eiFormDeviceBackupRestoreStatus_Result");
        ShowWarning(result);
        ShowSuccessDetails(result);
        ShowFailureCause(result);
        ShowSections(enumStatus, result.bSucceeded);
        if (bFromOperation)
            emit signal_ShowResult();
        break;
    default:
        TEXTLOG("default");
        break;
    }
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::ShowSections(enumFormDeviceBackupRestoreStatus enumStatus, bool bSucceeded)
{
    m_enumStatus = enumStatus;
    const bool bSetting = enumStatus == eiFormDeviceBackupRestoreStatus_Setting;
    const bool bResult = enumStatus == eiFormDeviceBackupRestoreStatus_Result;
    ui.widgetBackup->setVisible(bSetting && !g_bDeviceRestore);
    ui.widgetRestore->setVisible(bSetting && g_bDeviceRestore);
    ui.widgetProgress->setVisible(enumStatus == eiFormDeviceBackupRestoreStatus_Progress);
    ui.widgetResultSuccessful->setVisible(bResult && bSucceeded);
    ui.widgetResultFailed->setVisible(bResult && !bSucceeded);
    ui.tabWidget->setEnabled(bSetting);
    // While an operation runs its page stays in charge.
    ui.btnHome->setVisible(enumStatus != eiFormDeviceBackupRestoreStatus_Progress);
}

void widgetPrepareProgressResult::ShowWarning(const structOperationResult& result)
{
    ui.labelResultWarningPrompt->clear();
    // A set made without app archives is restored in full by its personal
    // data: that is what the user is told, not that apps failed.
    if (result.bSetHoldsNoArchives) {
        ui.labelResultWarningPrompt->setText(
            tr("The personal data was restored. This backup holds no app archives (iOS 7 and later do not allow "
               "them): the apps come back from the App Store, and their data came back with the personal data."));
        return;
    }
    if (result.iAppFailedCount < 1)
        return;
    const QString qstrFormat =
        g_bDeviceRestore ? tr("Warning: %d apps restore failed!") : tr("Warning: %d apps backup failed!");
    QString qstrWarning = QString::asprintf(qstrFormat.toLocal8Bit().constData(), result.iAppFailedCount);
    if (result.structAppsCause.eiCause != eiFailureCause_None)
        qstrWarning += QLatin1Char('\n') + CCauseText::CauseText(result.structAppsCause);
    ui.labelResultWarningPrompt->setText(qstrWarning);
}

void widgetPrepareProgressResult::ShowSuccessDetails(const structOperationResult& result)
{
    // What the set holds (a backup whose set passed the check), where it is
    // and which device it belongs to.
    QStringList listLines;
    const structOperationRequest* pRequest = m_pOperation != nullptr ? &m_pOperation->Request() : nullptr;
    if (pRequest != nullptr && !pRequest->bRestore && pRequest->bPersonalData
        && result.structSetCheckThis.eiState == eiSetState_Complete && !result.qstrSet.isEmpty())
        listLines << CCauseText::SavedText(result.structSetCheckThis);
    // A set seeded from an earlier one: how little the device had to send.
    if (pRequest != nullptr && !pRequest->bRestore && result.eiSeedRoad != eiSeedRoad_Full
        && !CCauseText::TransferText(result.structTransferThis).isEmpty())
        listLines << CCauseText::TransferText(result.structTransferThis);
    if (pRequest != nullptr && !result.qstrSet.isEmpty())
        listLines << (g_bDeviceRestore ? tr("Restored from %1 onto \"%2\".") : tr("Saved in %1, from \"%2\"."))
                         .arg(QDir::toNativeSeparators(result.qstrSet), pRequest->qstrDeviceName);
    ui.labelResultSuccessfulDetail->setText(listLines.join(QLatin1Char('\n')));
    ui.btnResultSuccessfulOpenFolder->setVisible(!result.qstrSet.isEmpty());
}

void widgetPrepareProgressResult::on_btnResultSuccessfulOpenFolder_clicked()
{
    const QString qstrSet = m_pOperation != nullptr ? m_pOperation->SetFolder() : QString();
    TEXTLOG("Enter : %s", LOG8(qstrSet));
    if (!qstrSet.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(qstrSet));
}

void widgetPrepareProgressResult::ShowFailureCause(const structOperationResult& result)
{
    TEXTLOG("cause : %s", FailureCauseName(result.structCause.eiCause));
    ui.labelResultFailedCause->setText(CCauseText::CauseText(result.structCause));
}

void widgetPrepareProgressResult::ShowProgressHints()
{
    // A restore cannot be stopped half-way without leaving the device half restored.
    ui.btnProgressCancel->setVisible(!g_bDeviceRestore);
    ui.btnProgressCancel->setEnabled(true);
    ui.labelProgressPasscode->setText(
        !g_bDeviceRestore && m_bAsksPasscode
            ? CCauseText::PasscodeHintText()
            : QString());
}

void widgetPrepareProgressResult::on_btnProgressCancel_clicked()
{
    TEXTLOG("Enter");
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Cancel the backup?"),
        tr("Stop the backup now? What was copied so far stays in its folder but cannot be restored."),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // The backup may have ended while the question was open.
    if (answer == QMessageBox::Yes && m_pOperation != nullptr && m_enumStatus == eiFormDeviceBackupRestoreStatus_Progress) {
        ui.btnProgressCancel->setEnabled(false);
        m_pOperation->Cancel();
    }
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::slot_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress)
{
    Q_UNUSED(enumStepBackupRestoreThis);
    ui.labelProgressValue->setText(QString::asprintf("%d%%", iProgress));
    // The device has let the backup begin: the passcode hint has served.
    ui.labelProgressPasscode->clear();
}

void widgetPrepareProgressResult::slot_OperationProgress(const structOperationProgress& progress)
{
    if (m_enumStatus != eiFormDeviceBackupRestoreStatus_Progress)
        return;
    slot_Progress(progress.eiStep, progress.iPercent);
    // Seeding the new set from the last one takes a moment of its own, before the device sends anything.
    ui.labelProgressBytes->setText(
        progress.eiStep == eiStepBackupRestore_Seed
            ? CCauseText::SeedStepText()
            : CCauseText::ProgressText(progress.iBytesDone, progress.iBytesExpected, progress.iMsecsLeft));
}

void widgetPrepareProgressResult::on_btnResultFailedRetry_clicked()
{
    TEXTLOG("Enter");
    // An operation still on its way out cannot be started again; the click
    // waits for its result like any other.
    if (m_pOperation == nullptr || m_pOperation->IsRunning()) {
        TEXTLOG("Exit : no ended operation to retry");
        return;
    }
    // A refused or missing password is asked for again; cancelling keeps the result.
    if (m_eiLastCause == eiFailureCause_WrongPassword || m_eiLastCause == eiFailureCause_PasswordRequired) {
        const QString qstrPassword = AskPassword(QFileInfo(m_pOperation->SetFolder()).fileName(), m_qstrSetUDID,
                                                 m_eiLastCause == eiFailureCause_WrongPassword);
        if (qstrPassword.isEmpty()) {
            TEXTLOG("Exit : no password");
            return;
        }
        m_pOperation->SetPassword(qstrPassword);
    }
    // A device still busy with another window's or command's operation ends
    // in that result again, which the progress display then gives way to.
    m_pOperation->Retry();
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::on_btnResultSuccessfulQuit_clicked()
{
    emit signal_QuitProgram();
}

bool widgetPrepareProgressResult::IsOperationRunning() const
{
    return m_pOperation != nullptr && m_pOperation->IsRunning();
}

bool widgetPrepareProgressResult::IsRestoreRunning() const
{
    return IsOperationRunning() && m_pOperation->Request().bRestore;
}

bool widgetPrepareProgressResult::StopOperation()
{
    if (!IsOperationRunning())
        return false;
    TEXTLOG("Enter : ending the running operation");
    connect(m_pOperation, &COperation::signal_Stopped, this, &widgetPrepareProgressResult::signal_OperationStopped,
            Qt::UniqueConnection);
    ui.labelProgressPrompt->setText(g_bDeviceRestore ? tr("Stopping the restore...") : tr("Stopping the backup..."));
    ui.labelProgressPasscode->clear();
    ui.btnProgressCancel->setEnabled(false);
    m_pOperation->Stop();
    TEXTLOG("Exit");
    return true;
}

void widgetPrepareProgressResult::on_btnResultFailedSettings_clicked()
{
    TEXTLOG("Enter");
    // Back to the settings of the failed operation's device, where another
    // folder or other items can be chosen.
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Setting, 0);
    if (m_pOperation != nullptr)
        SelectDevice(m_pOperation->Request().qstrDeviceUDID);
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::on_btnHome_clicked()
{
    if (!IsOperationRunning())
        emit signal_GoHome();
}
