// The worker thread that turns a device's backup encryption on or off or
// changes its password, through idevicebackup2 in interactive mode: the
// passwords go to the tool's standard input only (never its command line, an
// environment or the log). It reports one signal_Finished, last.
// The caller sets the members before start() and reads nothing back but the
// signal; the passwords are cleared once handed on.
#ifndef CORVINA_THREADENCRYPTIONCHANGE_H
#define CORVINA_THREADENCRYPTIONCHANGE_H

#include "CFailureCause.h"
#include "CToolEndRequest.h"

#include <QMetaType>
#include <QString>
#include <QThread>

enum enumEncryptionChange {
    eiEncryptionChange_On,       // qstrNewPassword
    eiEncryptionChange_Off,      // qstrOldPassword
    eiEncryptionChange_Password, // qstrOldPassword, then qstrNewPassword
};

class ThreadEncryptionChange : public QThread
{
    Q_OBJECT

public:
    QString qstrDeviceUDID;
    enumEncryptionChange eiChange = eiEncryptionChange_On;
    QString qstrOldPassword;
    QString qstrNewPassword;

    // A device that waits for its passcode, or never answers, ends the tool after this.
    static constexpr int iTimeLimitMsecs = 120000;

    // The tool's arguments for a change (without the passwords).
    static QStringList Arguments(const QString& qstrDeviceUDID, enumEncryptionChange eiChange);

signals:
    // bSucceeded: the device took the change; otherwise why not (WrongPassword
    // when the current password was wrong).
    void signal_Finished(bool bSucceeded, const structFailureCause& structCause);

protected:
    void run() override;

private:
    QByteArray Input();
};

Q_DECLARE_METATYPE(structFailureCause)

#endif
