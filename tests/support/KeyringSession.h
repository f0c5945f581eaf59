// A desktop keyring of the test's own: a private D-Bus session bus with the
// real Secret Service (gnome-keyring) holding an unlocked keyring in a
// temporary home, so that tests never touch the user's keyring. Start() points
// this process's DBUS_SESSION_BUS_ADDRESS at it: call it before anything in
// the process talks to the session bus. No display reaches the daemons, so a
// locked keyring's unlock prompt fails at once instead of waiting for a person.
#ifndef CORVINA_KEYRINGSESSION_H
#define CORVINA_KEYRINGSESSION_H

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class KeyringSession
{
public:
    KeyringSession() = default;
    KeyringSession(const KeyringSession&) = delete;
    KeyringSession& operator=(const KeyringSession&) = delete;
    ~KeyringSession(); // ends the daemons

    // False with the reason when the daemons are missing or did not come up.
    bool Start(QString& strErrorMessage);
    // Locks the keyring, as a desktop does after a while or on request.
    bool Lock(QString& strErrorMessage);

private:
    QTemporaryDir m_qTemporaryDir;
    QProcess m_qprocessBus;
    QProcess m_qprocessKeyring;
    QString m_qstrAddress;
};

#endif
