// The modal dialog that asks for a backup password: before an encrypted
// backup is restored, and for turning backup encryption on or off or changing
// its password. A masked entry (two for a new password, which must match),
// the caller's sentence above them, and OK only for a password the backup
// tool can pass on. The password lives in the entries while the dialog is
// open; Password() hands it over and empties them. Where the desktop has a
// keyring, the dialog can offer "Remember in the keyring" and fill the entry
// with the password stored there; it never stores one itself (the caller does
// once the password proved right). GUI thread only.
#ifndef CORVINA_DIALOGBACKUPPASSWORD_H
#define CORVINA_DIALOGBACKUPPASSWORD_H

#include <QDialog>
#include <QString>

class CPasswordKeyring;
class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

class dialogBackupPassword : public QDialog
{
    Q_OBJECT

public:
    // qstrText: what the password is for and which one it is. bNew: a new
    // password, typed twice. qstrOk: the OK button's text.
    dialogBackupPassword(const QString& qstrTitle, const QString& qstrText, bool bNew, const QString& qstrOk,
                         QWidget* pParent = nullptr);

    // The sentence for an encrypted set's restore: which password it needs (the one chosen
    // when backup encryption was turned on, not the device's passcode); bAgain: the last was wrong.
    static QString RestoreText(const QString& qstrSetName, bool bAgain);

    // The password typed; the entries are emptied. Read after exec() returned Accepted.
    QString Password();

    // With a keyring service: asks it for the device's password and fills the
    // entry with it when it answers, unless something was typed by then. A
    // filled entry ticks "Remember in the keyring" where that is offered.
    void FillFromKeyring(CPasswordKeyring* pKeyring, const QString& qstrUDID);
    // With a keyring service: offers "Remember in the keyring", ticked or not.
    void OfferRemember(bool bTicked);
    // Whether the user wants the password kept in the keyring.
    bool Remember() const;
    // Whether the entry was filled from the keyring (unticking then means forget it).
    bool FilledFromKeyring() const { return m_bFilled; }

private:
    void UpdateState();

    QLineEdit* m_pEdit;
    QLineEdit* m_pRepeat = nullptr;
    QLabel* m_pProblem;
    QCheckBox* m_pRemember;
    bool m_bFilled = false;
    QDialogButtonBox* m_pButtons;
};

#endif
