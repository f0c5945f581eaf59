#include "ThreadEncryptionChange.h"

#include "CProgressToolRun.h"
#include "CToolStarter.h"
#include "LogCallSite.h"

#include <QElapsedTimer>

QStringList ThreadEncryptionChange::Arguments(const QString& qstrDeviceUDID, enumEncryptionChange eiChange)
{
    QStringList listArguments{QStringLiteral("-i"), QStringLiteral("-u"), qstrDeviceUDID};
    switch (eiChange) {
    case eiEncryptionChange_On:
        return listArguments << QStringLiteral("encryption") << QStringLiteral("on");
    case eiEncryptionChange_Off:
        return listArguments << QStringLiteral("encryption") << QStringLiteral("off");
    case eiEncryptionChange_Password:
        break;
    }
    return listArguments << QStringLiteral("changepw");
}

// The lines the tool asks for, in its order: a new password twice (it asks
// again to confirm), the current one first.
QByteArray ThreadEncryptionChange::Input()
{
    QByteArray baInput;
    if (eiChange != eiEncryptionChange_On)
        baInput += qstrOldPassword.toUtf8() + '\n';
    if (eiChange != eiEncryptionChange_Off)
        baInput += qstrNewPassword.toUtf8() + '\n' + qstrNewPassword.toUtf8() + '\n';
    qstrOldPassword.clear();
    qstrNewPassword.clear();
    return baInput;
}

void ThreadEncryptionChange::run()
{
    TEXTLOG("Enter : change %d", static_cast<int>(eiChange));
    CToolEndRequest endRequest;
    CProgressToolRun toolRun(&endRequest);
    QByteArray baInput = Input();
    if (!toolRun.Start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()),
                       Arguments(qstrDeviceUDID, eiChange), {qstrDeviceUDID}, baInput)) {
        emit signal_Finished(false, CToolStarter::StartFailureCause(CToolStarter::BackupToolName(), nullptr));
        return;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    QString qstrOutput;
    bool bErrorWord = false;
    while (true) {
        const CProgressToolRun::structPass pass = toolRun.NextPass();
        qstrOutput += pass.qstrStdOutput;
        bErrorWord = bErrorWord || pass.structScanThis.bErrorWord;
        if (pass.bToolFinished)
            break;
        if (elapsed.elapsed() > iTimeLimitMsecs)
            endRequest.Request(eiFailureCause_Cancelled);
    }
    TEXTLOG("strStdOutput : %s", LOG8(qstrOutput));
    // The tool says so in one line ("Backup encryption has been enabled
    // successfully.") and ends with 0 either way.
    const bool bSucceeded = !bErrorWord && qstrOutput.contains(QLatin1String(" successfully."));
    structFailureCause cause;
    if (!bSucceeded) {
        cause = toolRun.FailureCause();
        if (cause.eiCause == eiFailureCause_None)
            cause = {eiFailureCause_Unknown, qstrOutput.trimmed().section(QLatin1Char('\n'), -1)};
    }
    TEXTLOG("Exit : %d, %s", bSucceeded ? 1 : 0, FailureCauseName(cause.eiCause));
    emit signal_Finished(bSucceeded, cause);
}
