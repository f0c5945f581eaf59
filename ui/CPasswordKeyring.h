// Backup passwords kept in the desktop's keyring (the Secret Service on
// Linux, the credential store on Windows) through QtKeychain, one per device,
// keyed by its UDID, and only when the user asked for it. Nothing here ever
// writes a password anywhere else: no plain-text fallback.
//
// Every call returns at once; the keyring answers later on the thread that
// made the call (it may first ask the user to unlock it). A keyring that is
// missing, locked or refusing is never an error: a read then answers with an
// empty password, a write or a removal is given up and logged.
// GUI thread only.
#ifndef CORVINA_CPASSWORDKEYRING_H
#define CORVINA_CPASSWORDKEYRING_H

#include <QObject>
#include <QString>

namespace QKeychain {
class Job;
}

class CPasswordKeyring : public QObject
{
    Q_OBJECT

public:
    explicit CPasswordKeyring(QObject* pParent = nullptr);

    // Whether this desktop has a keyring service to ask: on Linux, a Secret
    // Service on the session bus, running or started on demand. Asked anew
    // each time (a desktop's keyring may start after the program).
    static bool Available();

    // Asks for the device's password; signal_Read follows, with an empty
    // password when none is stored or the keyring refused.
    void Read(const QString& qstrUDID);
    // Stores the device's password, replacing one stored before.
    void Write(const QString& qstrUDID, const QString& qstrPassword);
    // Removes the device's password, if one is stored.
    void Forget(const QString& qstrUDID);

signals:
    void signal_Read(const QString& qstrUDID, const QString& qstrPassword);

private:
    void Launch(QKeychain::Job* pJob, const QString& qstrUDID);
};

#endif
