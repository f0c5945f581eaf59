#include "widgetBackupEncryption.h"

#include "CCauseText.h"
#include "CPasswordKeyring.h"
#include "LogCallSite.h"
#include "dialogBackupPassword.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

widgetBackupEncryption::widgetBackupEncryption(CPasswordKeyring* pKeyring, QWidget* pParent)
    : QWidget(pParent), m_pKeyring(pKeyring), m_pBox(new QCheckBox(tr("Encrypt this device's backups"), this)),
      m_pChange(new QPushButton(tr("Change password"), this)), m_pAnswer(new QLabel(this))
{
    setObjectName(QStringLiteral("widgetBackupEncryption"));
    m_pBox->setObjectName(QStringLiteral("chkBackupEncrypt"));
    m_pChange->setObjectName(QStringLiteral("btnChangeBackupPassword"));
    m_pAnswer->setObjectName(QStringLiteral("labelEncryptionAnswer"));
    m_pChange->setFlat(true);
    m_pChange->setCursor(Qt::PointingHandCursor);
    m_pBox->setCursor(Qt::PointingHandCursor);
    auto* pAbout = new QLabel(tr("An encrypted backup also keeps saved passwords, Wi-Fi settings, call and browsing "
                                 "history and Health data. If the password is forgotten, nobody can recover it, and "
                                 "the encrypted backups cannot be restored."),
                              this);
    pAbout->setWordWrap(true);
    m_pAnswer->setWordWrap(true);
    setStyleSheet(QStringLiteral(
        "QCheckBox { spacing: 5px; background: transparent; color: rgb(223, 223, 223); }"
        "QLabel { color: rgb(190, 190, 190); }"
        "QLabel#labelEncryptionAnswer { color: rgb(255, 190, 120); }"
        "QPushButton#btnChangeBackupPassword { color: rgb(178, 219, 144); border: none; text-decoration: underline; }"));
    auto* pLayout = new QGridLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setVerticalSpacing(2);
    pLayout->addWidget(m_pBox, 0, 0);
    pLayout->addWidget(m_pChange, 0, 1, Qt::AlignRight);
    pLayout->addWidget(pAbout, 1, 0, 1, 2);
    pLayout->addWidget(m_pAnswer, 2, 0, 1, 2);
    connect(m_pBox, &QCheckBox::clicked, this, &widgetBackupEncryption::OnBoxClicked);
    connect(m_pChange, &QPushButton::clicked, this, &widgetBackupEncryption::OnChangePassword);
    ShowState();
}

widgetBackupEncryption::~widgetBackupEncryption()
{
    if (m_pThread != nullptr) {
        m_pThread->wait();
        delete m_pThread;
    }
}

void widgetBackupEncryption::StyleLike(const QCheckBox* pModel)
{
    m_pBox->setFont(pModel->font());
    m_pBox->setStyleSheet(pModel->styleSheet());
}

void widgetBackupEncryption::SetDevice(const QString& qstrUDID, int iWillEncrypt)
{
    if (qstrUDID != m_qstrUDID)
        m_pAnswer->clear();
    m_qstrUDID = qstrUDID;
    m_iArrived = iWillEncrypt;
    ShowState();
}

void widgetBackupEncryption::ShowState()
{
    const int iEncrypts = m_mapEncrypts.value(m_qstrUDID, m_iArrived);
    const bool bIdle = m_pThread == nullptr && !m_qstrUDID.isEmpty() && iEncrypts >= 0;
    m_pBox->setChecked(iEncrypts == 1);
    m_pBox->setEnabled(bIdle);
    m_pChange->setVisible(iEncrypts == 1);
    m_pChange->setEnabled(bIdle);
    if (m_pThread != nullptr)
        m_pAnswer->setText(tr("Waiting for the device... If it asks for its passcode, enter it there."));
    else if (iEncrypts < 0 && !m_qstrUDID.isEmpty())
        m_pAnswer->setText(tr("The device did not tell whether it encrypts its backups."));
}

QString widgetBackupEncryption::AskCurrent(const QString& qstrTitle, const QString& qstrText, const QString& qstrOk,
                                           bool& bFilled)
{
    dialogBackupPassword dialog(qstrTitle, qstrText, false, qstrOk, this);
    dialog.FillFromKeyring(m_pKeyring, m_qstrUDID);
    const QString qstrPassword = dialog.exec() == QDialog::Accepted ? dialog.Password() : QString();
    bFilled = dialog.FilledFromKeyring();
    return qstrPassword;
}

QString widgetBackupEncryption::AskNew(const QString& qstrTitle, const QString& qstrText, const QString& qstrOk,
                                       bool bRemember)
{
    dialogBackupPassword dialog(qstrTitle, qstrText, true, qstrOk, this);
    dialog.OfferRemember(bRemember);
    const QString qstrPassword = dialog.exec() == QDialog::Accepted ? dialog.Password() : QString();
    m_qstrPasswordToKeep = dialog.Remember() ? qstrPassword : QString();
    return qstrPassword;
}

void widgetBackupEncryption::OnBoxClicked()
{
    const bool bTurnOn = m_mapEncrypts.value(m_qstrUDID, m_iArrived) != 1;
    ShowState(); // the box follows the device, not the click
    if (bTurnOn) {
        const QString qstrNew =
            AskNew(tr("Encrypt backups"),
                   tr("Choose a password for this device's backups. Every backup of it is encrypted from now on, "
                      "and restoring one needs this password. Nobody can recover it if it is forgotten."),
                   tr("Turn on"), false);
        if (!qstrNew.isEmpty())
            Run(eiEncryptionChange_On, QString(), qstrNew);
        return;
    }
    bool bFilled = false;
    const QString qstrOld = AskCurrent(tr("Stop encrypting backups"),
                                       tr("Enter the current backup password (the one chosen when encryption was "
                                          "turned on, not the device's passcode) to turn encryption off."),
                                       tr("Turn off"), bFilled);
    m_qstrPasswordToKeep.clear();
    if (!qstrOld.isEmpty())
        Run(eiEncryptionChange_Off, qstrOld, QString());
}

void widgetBackupEncryption::OnChangePassword()
{
    bool bFilled = false;
    const QString qstrOld = AskCurrent(tr("Change password"),
                                       tr("Enter the current backup password (the one chosen when encryption was "
                                          "turned on, not the device's passcode)."),
                                       tr("Next"), bFilled);
    if (qstrOld.isEmpty())
        return;
    // A password the keyring held is replaced there unless the user unticks.
    const QString qstrNew = AskNew(tr("Change password"), tr("Choose the new backup password."), tr("Change"), bFilled);
    if (!qstrNew.isEmpty())
        Run(eiEncryptionChange_Password, qstrOld, qstrNew);
}

void widgetBackupEncryption::Run(enumEncryptionChange eiChange, const QString& qstrOld, const QString& qstrNew)
{
    TEXTLOG("Enter : change %d", static_cast<int>(eiChange));
    m_pThread = new ThreadEncryptionChange;
    m_pThread->qstrDeviceUDID = m_qstrUDID;
    m_pThread->eiChange = eiChange;
    m_pThread->qstrOldPassword = qstrOld;
    m_pThread->qstrNewPassword = qstrNew;
    m_eiRunning = eiChange;
    m_qstrRunningUDID = m_qstrUDID;
    connect(m_pThread, &ThreadEncryptionChange::signal_Finished, this, &widgetBackupEncryption::OnFinished,
            Qt::QueuedConnection);
    m_pThread->start();
    ShowState();
}

void widgetBackupEncryption::OnFinished(bool bSucceeded, const structFailureCause& structCause)
{
    m_pThread->wait();
    delete m_pThread;
    m_pThread = nullptr;
    if (bSucceeded && m_eiRunning != eiEncryptionChange_Password)
        m_mapEncrypts.insert(m_qstrRunningUDID, m_eiRunning == eiEncryptionChange_On ? 1 : 0);
    // The keyring follows the device: the new password if the user wants it
    // kept, else nothing (a password turned off or replaced is of no use).
    if (bSucceeded && !m_qstrPasswordToKeep.isEmpty())
        m_pKeyring->Write(m_qstrRunningUDID, m_qstrPasswordToKeep);
    else if (bSucceeded)
        m_pKeyring->Forget(m_qstrRunningUDID);
    m_qstrPasswordToKeep.clear();
    const QString qstrDone = m_eiRunning == eiEncryptionChange_On    ? tr("Backups of this device are encrypted now.")
                             : m_eiRunning == eiEncryptionChange_Off ? tr("Backups of this device are no longer encrypted.")
                                                                     : tr("The backup password was changed.");
    if (bSucceeded)
        m_pAnswer->setText(qstrDone);
    else if (structCause.eiCause == eiFailureCause_WrongPassword)
        m_pAnswer->setText(tr("The device refused the current password and kept its setting. Enter the password "
                              "chosen when encryption was turned on, not the device's passcode."));
    else
        m_pAnswer->setText(CCauseText::CauseText(structCause));
    TEXTLOG("Exit : %d, %s", bSucceeded ? 1 : 0, FailureCauseName(structCause.eiCause));
    ShowState();
}
