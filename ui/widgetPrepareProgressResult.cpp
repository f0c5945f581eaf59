#include "widgetPrepareProgressResult.h"

#include "AppGlobals.h"
#include "CBackup.h"
#include "CCauseText.h"
#include "CDeviceTable.h"
#include "CProgramFolder.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"
#include "dialogBackupSelect.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QLocale>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVersionNumber>
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
    ui.labelBackupDirectory->setText(qstrDirectory);
    ui.labelRestoreDirectory->setText(qstrDirectory);
    StoreDirectory(qstrDirectory);
    CStaticPubFunc::CreateMultiLevelDirectory(qstrDirectory);
    // On unless the user turned it off.
    ui.chkCopyOnlyChanges->setChecked(QSettingsThis.value(kCopyOnlyChangesKey, true).toBool());
    connect(ui.chkCopyOnlyChanges, &QCheckBox::toggled, this, [this](bool bChecked) {
        QSettings(SettingsFilePath(), QSettings::IniFormat).setValue(kCopyOnlyChangesKey, bChecked);
    });

    ui.labelBackupAppPic->hide();
    ui.labelBackupApp->hide();
    ui.labelRestoreAppPic->hide();
    ui.labelRestoreApp->hide();
    TEXTLOG("Exit");
}

widgetPrepareProgressResult::~widgetPrepareProgressResult()
{
    Retire(m_pThreadDeviceBackup);
    Retire(m_pThreadDeviceRestore);
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

void widgetPrepareProgressResult::ChooseDirectory(QLabel* labelDirectory)
{
    const QString qstrChosen = QFileDialog::getExistingDirectory(
        this, tr("Open Directory"), labelDirectory->text(), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (qstrChosen.isEmpty())
        return;
    labelDirectory->setText(qstrChosen);
    StoreDirectory(qstrChosen);
}

void widgetPrepareProgressResult::on_btnBackupOtherDirectory_clicked()
{
    ChooseDirectory(ui.labelBackupDirectory);
}

void widgetPrepareProgressResult::on_btnRestoreOtherDirectory_clicked()
{
    ChooseDirectory(ui.labelRestoreDirectory);
}

void widgetPrepareProgressResult::slot_UpdateDevice(const QList<structDeviceInfo>& listDevices)
{
    TEXTLOG("Enter");
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
    EndOperationOfDepartedDevice();
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

void widgetPrepareProgressResult::EndOperationOfDepartedDevice()
{
    if (m_pOperation == nullptr || !m_pOperation->isRunning() || IsDevicePresent(m_qstrOperationUDID))
        return;
    // Nothing can go on with the device gone: a tool left alone would wait or
    // spin for ever, and the page would show progress that never comes. A
    // restore's own reboot also takes the device away, just before its tool
    // ends by itself, so the tool gets a moment first.
    TEXTLOG("the device of the running operation departed : %s", LOG8(m_qstrOperationUDID));
    const QPointer<ThreadToolRun> operation = m_pOperation;
    QTimer::singleShot(iDepartedGraceMsecs, this, [this, operation]() {
        if (operation != nullptr && operation == m_pOperation && operation->isRunning()
            && !IsDevicePresent(m_qstrOperationUDID)) {
            TEXTLOG("ending the operation of the departed device : %s", LOG8(m_qstrOperationUDID));
            operation->EndRunningTool();
        }
    });
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
    Q_UNUSED(iIndex);
}

void widgetPrepareProgressResult::Retire(ThreadToolRun* pThread)
{
    if (pThread == nullptr)
        return;
    // Connected first, so that a thread ending right now is not missed; a
    // queued deletion of an object deleted here is dropped with it.
    QObject::connect(pThread, &QThread::finished, pThread, &QObject::deleteLater);
    if (!pThread->isRunning()) {
        delete pThread;
        return;
    }
    // An operation still on its way out (its device left) is given up: two
    // tools must not work on one device, nor two runs share the counters.
    pThread->EndRunningTool();
}

void widgetPrepareProgressResult::Adopt(ThreadToolRun* pThread, const QString& qstrDeviceUDID)
{
    m_pOperation = pThread;
    m_qstrOperationUDID = qstrDeviceUDID;
}

bool widgetPrepareProgressResult::WriteMarker()
{
    m_bMarkerWritten = CBackup::WriteBackupFlag(m_qstrBackupSet, m_pThreadDeviceBackup->qstrDeviceUDID);
    TEXTLOG("m_bMarkerWritten : %d", m_bMarkerWritten ? 1 : 0);
    return m_bMarkerWritten;
}

void widgetPrepareProgressResult::on_btnBackup_clicked()
{
    TEXTLOG("Enter");
    const QDateTime dateTimeStarted = QDateTime::currentDateTime();
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
    Retire(m_pThreadDeviceBackup);
    m_pThreadDeviceBackup = new ThreadDeviceBackup;
    connect(m_pThreadDeviceBackup, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, this,
            &widgetPrepareProgressResult::slot_SwitchStatus_PrepareProgressResult);
    connect(m_pThreadDeviceBackup, &ThreadDeviceBackup::signal_Progress, this, &widgetPrepareProgressResult::slot_Progress);
    m_pThreadDeviceBackup->qstrDeviceUDID = qstrTargetUDID;

    m_qstrBackupSet =
        CBackup::JoinPath(ui.labelBackupDirectory->text(), CBackup::SetFolderName(dateTimeStarted, qstrTargetName));
    CStaticPubFunc::CreateMultiLevelDirectory(m_qstrBackupSet);
    m_pThreadDeviceBackup->qstrBackupDirectory = m_qstrBackupSet;
    m_pThreadDeviceBackup->bBackupApps = ui.chkBackupGameApp->isChecked();
    m_pThreadDeviceBackup->bBackupPersonalData = ui.chkBackupPersonalData->isChecked();
    m_pThreadDeviceBackup->bCopyOnlyChanges = ui.chkCopyOnlyChanges->isChecked();
    Adopt(m_pThreadDeviceBackup, m_pThreadDeviceBackup->qstrDeviceUDID);
    m_qstrOperationSet = m_qstrBackupSet;
    m_qstrOperationName = qstrTargetName;
    QList<structDeviceInfo> listDevices;
    CDeviceTable::Snapshot(listDevices);
    m_bAsksPasscode = false;
    for (const structDeviceInfo& device : listDevices) {
        if (device.qstrDeviceID == m_qstrOperationUDID)
            m_bAsksPasscode = AsksPasscodeForBackup(device.qstrDeviceVersion);
    }
    m_pThreadDeviceBackup->StartRun();
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    // A set without its marker can never be listed or restored: its backup
    // must not end as a success (see the result).
    WriteMarker();
    TEXTLOG("Exit");
}

bool widgetPrepareProgressResult::SpaceConfirmed(const QString& qstrDeviceUDID)
{
    QList<structDeviceInfo> listDevices;
    CDeviceTable::Snapshot(listDevices);
    qint64 iDataBytes = -1;
    for (const structDeviceInfo& device : listDevices) {
        if (device.qstrDeviceID == qstrDeviceUDID)
            iDataBytes = device.iDataUsedBytes;
    }
    // The root may not exist yet: its nearest existing folder tells the disk.
    QString qstrFolder = QDir::cleanPath(ui.labelBackupDirectory->text().trimmed());
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
        ChooseDirectory(ui.labelBackupDirectory);
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
    dialog.qstrBackupRootDirectory = ui.labelRestoreDirectory->text();
    // The device's own newest sound set is offered first.
    dialog.qstrDeviceUDID = qstrTargetUDID;
    dialog.InitBackupList();
    dialog.exec();
    if (!dialog.bAccepted || dialog.qstrSelectedBackup.isEmpty()) {
        TEXTLOG("Exit : nothing chosen");
        return;
    }
    const QString qstrSet = CBackup::JoinPath(ui.labelRestoreDirectory->text().trimmed(), dialog.qstrSelectedBackup);
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
    Retire(m_pThreadDeviceRestore);
    m_pThreadDeviceRestore = new ThreadDeviceRestore;
    m_pThreadDeviceRestore->qstrDataFolderName = qstrDataFolderName;
    m_pThreadDeviceRestore->qstrIPAFolderName = qstrIPAFolderName;
    connect(m_pThreadDeviceRestore, &ThreadDeviceRestore::signal_SwitchStatus_PrepareProgressResult, this,
            &widgetPrepareProgressResult::slot_SwitchStatus_PrepareProgressResult);
    connect(m_pThreadDeviceRestore, &ThreadDeviceRestore::signal_Progress, this,
            &widgetPrepareProgressResult::slot_Progress);
    m_pThreadDeviceRestore->qstrDeviceUDID = qstrTargetUDID;
    m_pThreadDeviceRestore->qstrBackupDirectory = qstrSet;
    m_pThreadDeviceRestore->bRestoreApps = ui.chkRestoreGameApp->isChecked();
    m_pThreadDeviceRestore->bRestorePersonalData = ui.chkRestorePersonalData->isChecked();
    Adopt(m_pThreadDeviceRestore, qstrTargetUDID);
    m_qstrOperationSet = qstrSet;
    m_qstrOperationName = qstrTargetName;
    m_pThreadDeviceRestore->StartRun();
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
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

bool widgetPrepareProgressResult::IsCurrentOperationSignal() const
{
    const QObject* pSender = sender();
    if (pSender == nullptr || pSender == this)
        return true;
    return pSender == m_pOperation && m_enumStatus == eiFormDeviceBackupRestoreStatus_Progress;
}

void widgetPrepareProgressResult::slot_SwitchStatus_PrepareProgressResult(
    enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis, int iReserve1)
{
    TEXTLOG("Enter");
    if (!IsCurrentOperationSignal()) {
        TEXTLOG("Exit : a result of an earlier operation");
        return;
    }
    if (g_bDeviceRestore) {
        ui.labelProgressPrompt->setText(tr("Restoring..."));
        TEXTLOG("g_bDeviceRestore = true");
    } else {
        ui.labelProgressPrompt->setText(tr("Backing up..."));
        TEXTLOG("g_bDeviceRestore = false");
    }
    switch (enumFormDeviceBackupRestoreStatusThis) {
    case eiFormDeviceBackupRestoreStatus_Setting:
        TEXTLOG("eiFormDeviceBackupRestoreStatus_Setting");
        ShowSections(enumFormDeviceBackupRestoreStatusThis, false);
        break;
    case eiFormDeviceBackupRestoreStatus_Progress:
        TEXTLOG("eiFormDeviceBackupRestoreStatus_Progress");
        ui.labelProgressValue->setText(QStringLiteral("0%"));
        ShowProgressHints();
        ShowSections(enumFormDeviceBackupRestoreStatusThis, false);
        break;
    case eiFormDeviceBackupRestoreStatus_Result: {
        TEXTLOG("eiFormDeviceBackupRestoreStatus_Result");
        ShowWarning();
        ShowSuccessDetails();
        // A backup whose marker could not be written left a set that can
        // never be listed or restored.
        const bool bMarkerMissing = sender() == m_pThreadDeviceBackup && !m_bMarkerWritten;
        ShowFailureCause(bMarkerMissing);
        ShowSections(enumFormDeviceBackupRestoreStatusThis, iReserve1 == 1 && !bMarkerMissing);
        if (sender() != nullptr && sender() != this)
            emit signal_ShowResult();
        break;
    }
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

void widgetPrepareProgressResult::ShowWarning()
{
    ui.labelResultWarningPrompt->clear();
    // A set made without app archives is restored in full by its personal
    // data: that is what the user is told, not that apps failed.
    const auto* pRestore = qobject_cast<const ThreadDeviceRestore*>(sender());
    if (pRestore != nullptr && pRestore->SetHoldsNoArchives()) {
        ui.labelResultWarningPrompt->setText(
            tr("The personal data was restored. This backup holds no app archives (iOS 7 and later do not allow "
               "them): the apps come back from the App Store, and their data came back with the personal data."));
        return;
    }
    // Only the thread whose result this is can say how many of its apps
    // failed, and why.
    const auto* pThread = dynamic_cast<const ThreadToolRun*>(sender());
    const int iFailed = pThread != nullptr ? pThread->AppFailedCount() : 0;
    if (iFailed < 1)
        return;
    const QString qstrFormat =
        g_bDeviceRestore ? tr("Warning: %d apps restore failed!") : tr("Warning: %d apps backup failed!");
    QString qstrWarning = QString::asprintf(qstrFormat.toLocal8Bit().constData(), iFailed);
    const structFailureCause structAppsCause = pThread != nullptr ? pThread->AppsFailureCause() : structFailureCause();
    if (structAppsCause.eiCause != eiFailureCause_None)
        qstrWarning += QLatin1Char('\n') + CCauseText::CauseText(structAppsCause);
    ui.labelResultWarningPrompt->setText(qstrWarning);
}

void widgetPrepareProgressResult::ShowSuccessDetails()
{
    // What the set holds (a backup whose set passed the check), where it is
    // and which device it belongs to.
    QStringList listLines;
    const auto* pBackup = qobject_cast<const ThreadDeviceBackup*>(sender());
    if (pBackup != nullptr && pBackup->bBackupPersonalData && pBackup->SetCheck().eiState == eiSetState_Complete)
        listLines << CCauseText::SavedText(pBackup->SetCheck());
    if (!m_qstrOperationSet.isEmpty())
        listLines << (g_bDeviceRestore ? tr("Restored from %1 onto \"%2\".") : tr("Saved in %1, from \"%2\"."))
                         .arg(QDir::toNativeSeparators(m_qstrOperationSet), m_qstrOperationName);
    ui.labelResultSuccessfulDetail->setText(listLines.join(QLatin1Char('\n')));
    ui.btnResultSuccessfulOpenFolder->setVisible(!m_qstrOperationSet.isEmpty());
}

void widgetPrepareProgressResult::on_btnResultSuccessfulOpenFolder_clicked()
{
    TEXTLOG("Enter : %s", LOG8(m_qstrOperationSet));
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_qstrOperationSet));
}

void widgetPrepareProgressResult::ShowFailureCause(bool bMarkerMissing)
{
    const auto* pThread = dynamic_cast<const ThreadToolRun*>(sender());
    structFailureCause structCause = pThread != nullptr ? pThread->FailureCause() : structFailureCause();
    if (bMarkerMissing && structCause.eiCause == eiFailureCause_None)
        structCause.eiCause = eiFailureCause_FolderNotWritable;
    TEXTLOG("cause : %s", FailureCauseName(structCause.eiCause));
    ui.labelResultFailedCause->setText(CCauseText::CauseText(structCause));
}

void widgetPrepareProgressResult::ShowProgressHints()
{
    // A restore cannot be stopped half-way without leaving the device half restored.
    ui.btnProgressCancel->setVisible(!g_bDeviceRestore);
    ui.btnProgressCancel->setEnabled(true);
    ui.labelProgressPasscode->setText(
        !g_bDeviceRestore && m_bAsksPasscode
            ? tr("If the device asks for its passcode, unlock it and enter the passcode there: the backup starts after that.")
            : QString());
}

bool widgetPrepareProgressResult::AsksPasscodeForBackup(const QString& qstrDeviceVersion)
{
    return QVersionNumber::fromString(qstrDeviceVersion) >= QVersionNumber(16, 1);
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
        m_pOperation->CancelRunningTool();
    }
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::slot_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress)
{
    Q_UNUSED(enumStepBackupRestoreThis);
    if (!IsCurrentOperationSignal())
        return;
    ui.labelProgressValue->setText(QString::asprintf("%d%%", iProgress));
    // The device has let the backup begin: the passcode hint has served.
    ui.labelProgressPasscode->clear();
}

void widgetPrepareProgressResult::on_btnResultFailedRetry_clicked()
{
    TEXTLOG("Enter");
    ThreadToolRun* pThread = g_bDeviceRestore ? static_cast<ThreadToolRun*>(m_pThreadDeviceRestore)
                                              : static_cast<ThreadToolRun*>(m_pThreadDeviceBackup);
    // A thread still on its way out cannot be started again; the click waits
    // for its result like any other.
    if (pThread == nullptr || pThread->isRunning()) {
        TEXTLOG("Exit : no ended operation to retry");
        return;
    }
    Adopt(pThread, m_qstrOperationUDID);
    // A marker that could not be written is tried again with the set folder.
    if (!g_bDeviceRestore && !m_bMarkerWritten) {
        CStaticPubFunc::CreateMultiLevelDirectory(m_qstrBackupSet);
        WriteMarker();
    }
    pThread->StartRun();
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::on_btnResultSuccessfulQuit_clicked()
{
    emit signal_QuitProgram();
}

bool widgetPrepareProgressResult::IsOperationRunning() const
{
    return m_pOperation != nullptr && m_pOperation->isRunning();
}

bool widgetPrepareProgressResult::IsRestoreRunning() const
{
    return IsOperationRunning() && m_pOperation == static_cast<ThreadToolRun*>(m_pThreadDeviceRestore);
}

bool widgetPrepareProgressResult::StopOperation()
{
    if (!IsOperationRunning())
        return false;
    TEXTLOG("Enter : ending the running operation");
    // Connected before the tool is ended, so that a thread ending right now
    // is not missed; a second signal only repeats the news.
    connect(m_pOperation, &QThread::finished, this, &widgetPrepareProgressResult::signal_OperationStopped,
            Qt::UniqueConnection);
    ui.labelProgressPrompt->setText(g_bDeviceRestore ? tr("Stopping the restore...") : tr("Stopping the backup..."));
    ui.labelProgressPasscode->clear();
    ui.btnProgressCancel->setEnabled(false);
    m_pOperation->EndRunningTool();
    if (m_pOperation->isFinished())
        QMetaObject::invokeMethod(this, &widgetPrepareProgressResult::signal_OperationStopped, Qt::QueuedConnection);
    TEXTLOG("Exit");
    return true;
}

void widgetPrepareProgressResult::on_btnResultFailedSettings_clicked()
{
    TEXTLOG("Enter");
    // Back to the settings of the failed operation's device, where another
    // folder or other items can be chosen.
    emit signal_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Setting, 0);
    SelectDevice(m_qstrOperationUDID);
    TEXTLOG("Exit");
}

void widgetPrepareProgressResult::on_btnHome_clicked()
{
    if (!IsOperationRunning())
        emit signal_GoHome();
}
