#include "dialogBackupPassword.h"

#include "COperation.h"
#include "CPasswordKeyring.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* MaskedEntry(QWidget* pParent, const char* szName, const QString& qstrPlaceholder)
{
    auto* pEdit = new QLineEdit(pParent);
    pEdit->setObjectName(QLatin1String(szName));
    pEdit->setEchoMode(QLineEdit::Password);
    pEdit->setPlaceholderText(qstrPlaceholder);
    pEdit->setMaxLength(1000); // longer is refused with a reason, not cut
    return pEdit;
}

} // namespace

dialogBackupPassword::dialogBackupPassword(const QString& qstrTitle, const QString& qstrText, bool bNew,
                                           const QString& qstrOk, QWidget* pParent)
    : QDialog(pParent), m_pEdit(MaskedEntry(this, "lineEditPassword", bNew ? tr("New password") : tr("Password"))),
      m_pProblem(new QLabel(this)), m_pRemember(new QCheckBox(tr("Remember in the keyring"), this)),
      m_pButtons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("dialogBackupPassword"));
    setWindowTitle(qstrTitle);
    auto* pText = new QLabel(qstrText, this);
    pText->setWordWrap(true);
    pText->setTextFormat(Qt::PlainText);
    m_pProblem->setObjectName(QStringLiteral("labelPasswordProblem"));
    m_pProblem->setWordWrap(true);
    m_pButtons->button(QDialogButtonBox::Ok)->setText(qstrOk);
    m_pButtons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pText);
    pLayout->addWidget(m_pEdit);
    connect(m_pEdit, &QLineEdit::textChanged, this, &dialogBackupPassword::UpdateState);
    if (bNew) {
        m_pRepeat = MaskedEntry(this, "lineEditPasswordRepeat", tr("The new password again"));
        pLayout->addWidget(m_pRepeat);
        connect(m_pRepeat, &QLineEdit::textChanged, this, &dialogBackupPassword::UpdateState);
    }
    pLayout->addWidget(m_pProblem);
    m_pRemember->setObjectName(QStringLiteral("chkRememberPassword"));
    m_pRemember->setToolTip(tr("Keeps the password in the desktop's keyring for this device, so that it is filled "
                               "in next time."));
    m_pRemember->hide(); // offered only where the desktop has a keyring
    pLayout->addWidget(m_pRemember);
    pLayout->addWidget(m_pButtons);
    setMinimumWidth(440);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateState();
}

QString dialogBackupPassword::RestoreText(const QString& qstrSetName, bool bAgain)
{
    const QString qstrText = tr("The backup %1 is encrypted. Enter its password: the one chosen when backup "
                                "encryption was turned on, not the device's passcode.")
                                 .arg(qstrSetName);
    return bAgain ? tr("The password was wrong.") + QLatin1Char(' ') + qstrText : qstrText;
}

void dialogBackupPassword::UpdateState()
{
    const QString qstrPassword = m_pEdit->text();
    const bool bPassable = COperation::PasswordPassable(qstrPassword);
    const bool bSame = m_pRepeat == nullptr || m_pRepeat->text() == qstrPassword;
    QString qstrProblem;
    if (!qstrPassword.isEmpty() && !bPassable)
        qstrProblem = tr("The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks "
                         "and punctuation (ASCII), without accents or other scripts.");
    else if (!bSame && !m_pRepeat->text().isEmpty())
        qstrProblem = tr("The two entries differ.");
    m_pProblem->setText(qstrProblem);
    m_pProblem->setVisible(!qstrProblem.isEmpty());
    m_pButtons->button(QDialogButtonBox::Ok)->setEnabled(bPassable && bSame);
}

QString dialogBackupPassword::Password()
{
    const QString qstrPassword = m_pEdit->text();
    m_pEdit->clear();
    if (m_pRepeat != nullptr)
        m_pRepeat->clear();
    return qstrPassword;
}

void dialogBackupPassword::FillFromKeyring(CPasswordKeyring* pKeyring, const QString& qstrUDID)
{
    if (pKeyring == nullptr || qstrUDID.isEmpty() || !CPasswordKeyring::Available())
        return;
    // The dialog as receiver: an answer after it closed goes nowhere.
    connect(pKeyring, &CPasswordKeyring::signal_Read, this,
            [this, qstrUDID](const QString& qstrFor, const QString& qstrPassword) {
                if (qstrFor != qstrUDID || qstrPassword.isEmpty() || !m_pEdit->text().isEmpty() || m_bFilled)
                    return;
                m_bFilled = true;
                m_pEdit->setText(qstrPassword);
                if (m_pRepeat != nullptr)
                    m_pRepeat->setText(qstrPassword);
                m_pRemember->setChecked(true);
            });
    pKeyring->Read(qstrUDID);
}

void dialogBackupPassword::OfferRemember(bool bTicked)
{
    if (!CPasswordKeyring::Available())
        return;
    m_pRemember->setChecked(bTicked || m_bFilled);
    m_pRemember->show();
}

bool dialogBackupPassword::Remember() const
{
    return m_pRemember->isVisibleTo(this) && m_pRemember->isChecked();
}
