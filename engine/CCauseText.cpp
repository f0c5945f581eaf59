#include "CCauseText.h"

#include <QLocale>

#include <climits>

QString CCauseText::CauseText(const structFailureCause& structFailureCauseThis)
{
    const QString& qstrDetail = structFailureCauseThis.qstrDetail;
    switch (structFailureCauseThis.eiCause) {
    case eiFailureCause_None:
        return QString();
    case eiFailureCause_DiskFull:
        return tr("There is not enough free space on this computer for the backup. Free some space on the disk of "
                  "the backup folder and press Retry, or press \"%1\" and choose another folder with \"%2\".")
            .arg(tr("Change the settings"), tr("Other Directory"));
    case eiFailureCause_DeviceLocked:
        return tr("The device is locked or waited for its passcode. Unlock it, enter the passcode on the device "
                  "when it asks, and press Retry.");
    case eiFailureCause_NotTrusted:
        return tr("The device does not trust this computer yet. Unlock the device, tap \"Trust\" when it asks "
                  "whether to trust this computer, and press Retry.");
    case eiFailureCause_TrustRefused:
        return tr("The device was told not to trust this computer. Unplug it and plug it in again, unlock it, tap "
                  "\"Trust\" and press Retry.");
    case eiFailureCause_Disconnected:
        return tr("The device was disconnected. Plug it in again, keep it unlocked and connected, and press Retry.");
    case eiFailureCause_NoDevice:
        return tr("No device could be reached. Check the cable and that the device service (usbmuxd) is running, "
                  "then press Retry.");
    case eiFailureCause_ToolMissing: {
        const QString qstrPackage =
            qstrDetail == QLatin1String("ideviceinstaller") ? qstrDetail : QStringLiteral("libimobiledevice-utils");
        return tr("The program \"%1\" is missing. Install the package \"%2\" (sudo apt install %2) and press Retry.")
            .arg(qstrDetail, qstrPackage);
    }
    case eiFailureCause_ToolCrashed:
        return tr("The program doing the work stopped unexpectedly (signal %1). Unplug the device, plug it in again and "
                  "press Retry.")
            .arg(qstrDetail);
    case eiFailureCause_FolderNotWritable:
        return tr("The backup folder cannot be written. Make room or permission there and press Retry, or press "
                  "\"%1\" and choose another folder with \"%2\".")
            .arg(tr("Change the settings"), tr("Other Directory"));
    case eiFailureCause_PasswordRequired:
        return tr("This backup is encrypted and needs its password. Press Retry and enter the password that was "
                  "chosen when encryption was turned on.");
    case eiFailureCause_WrongPassword:
        return tr("The password is wrong. Enter the password that was chosen when backup encryption was turned on "
                  "(not the device's passcode) and press Retry.");
    case eiFailureCause_Cancelled:
        return tr("The backup was cancelled. What was copied so far stays in its folder but cannot be restored; "
                  "press Retry to back up again.");
    case eiFailureCause_BackupIncomplete:
        return tr("This backup is incomplete (it was cancelled or failed part-way) and cannot be restored. Choose "
                  "another backup.");
    case eiFailureCause_SetUnsound:
        return tr("the backup on disk is incomplete: %n files missing or shorter than the device sent; check the disk "
                  "and back up again",
                  nullptr, qstrDetail.toInt());
    case eiFailureCause_AppsUnsupported:
        return tr("This device no longer lets apps be saved as archives (iOS 7 and later do not). Your apps come back "
                  "from the App Store; their data is in the personal data backup.");
    case eiFailureCause_NoAppSaved:
        return tr("No app could be saved: this device does not let apps be copied (iOS 7 and later do not), so this "
                  "backup holds nothing. Your apps' data is kept with the personal data: press \"%1\", tick \"%2\" "
                  "and press Backup.")
            .arg(tr("Change the settings"), tr("Important Personal Data"));
    case eiFailureCause_NoApps:
        return tr("This device has no apps to back up, so this backup holds nothing. Press \"%1\", tick \"%2\" to "
                  "back up the device's data, and press Backup.")
            .arg(tr("Change the settings"), tr("Important Personal Data"));
    case eiFailureCause_FindMyEnabled:
        return tr("Find My is on, and a device with Find My on cannot be restored. On the device, go to Settings > "
                  "your name > Find My and turn off Find My iPhone (it asks for the Apple Account password), then "
                  "press Retry.");
    case eiFailureCause_NoAppArchives:
        return tr("This backup holds no app archives (the device it came from did not allow them), so restoring only "
                  "apps restores nothing. Press \"%1\", tick \"%2\" and press Restore: the apps' data comes back "
                  "with it, and the apps come back from the App Store.")
            .arg(tr("Change the settings"), tr("Important Personal Data"));
    case eiFailureCause_DeviceBusy:
        return tr("Another Corvina window or command is already backing up or restoring this device. Wait for it "
                  "to end and press Retry.");
    case eiFailureCause_Unknown:
        break;
    }
    if (qstrDetail.trimmed().isEmpty())
        return tr("Something went wrong. Press Retry; the log file holds the details.");
    // Tool output is shown as printed, but never more than a line's worth.
    const int iMaxChars = 200;
    QString qstrLine = qstrDetail.simplified();
    if (qstrLine.size() > iMaxChars)
        qstrLine = qstrLine.left(iMaxChars) + QStringLiteral("…");
    return tr("Something went wrong. The tool said: %1").arg(qstrLine);
}

QString CCauseText::SavedText(const structSetCheck& structSetCheckThis)
{
    const int iFiles = static_cast<int>(qMin<qint64>(structSetCheckThis.iFileCount, INT_MAX));
    const QString qstrSize = QLocale().formattedDataSize(qMax<qint64>(structSetCheckThis.iTotalBytes, 0));
    return structSetCheckThis.bEncrypted ? tr("Saved: %n files, %1 in all, encrypted.", nullptr, iFiles).arg(qstrSize)
                                         : tr("Saved: %n files, %1 in all, not encrypted.", nullptr, iFiles).arg(qstrSize);
}

QString CCauseText::TransferText(const structTransfer& structTransferThis)
{
    if (structTransferThis.iTransferredBytes < 0 || structTransferThis.iSetBytes < 0)
        return QString();
    return tr("Transferred from the device: %1 of the set's %2.")
        .arg(QLocale().formattedDataSize(structTransferThis.iTransferredBytes),
             QLocale().formattedDataSize(structTransferThis.iSetBytes));
}

QString CCauseText::SeedStepText()
{
    return tr("Starting from the last backup...");
}

QString CCauseText::PasscodeHintText()
{
    return tr("If the device asks for its passcode, unlock it and enter the passcode there: the backup starts after that.");
}

QString CCauseText::DurationText(qint64 iMsecs)
{
    const qint64 iMinutes = (qMax<qint64>(iMsecs, 0) + 59999) / 60000;
    if (iMinutes <= 1)
        return tr("less than a minute");
    if (iMinutes < 60)
        return tr("%1 min").arg(iMinutes);
    return tr("%1 h %2 min").arg(iMinutes / 60).arg(iMinutes % 60);
}

QString CCauseText::ProgressText(qint64 iBytesDone, qint64 iBytesExpected, qint64 iMsecsLeft)
{
    const QLocale locale;
    const bool bBytes = iBytesDone >= 0 && iBytesExpected > 0;
    const bool bTime = iMsecsLeft >= 0;
    // "About" goes with a number of minutes, not with "less than a minute".
    if (bTime && iMsecsLeft <= 60000)
        return bBytes ? tr("%1 of %2 · less than a minute left")
                            .arg(locale.formattedDataSize(iBytesDone), locale.formattedDataSize(iBytesExpected))
                      : tr("Less than a minute left");
    if (bBytes && bTime)
        return tr("%1 of %2 · about %3 left")
            .arg(locale.formattedDataSize(iBytesDone), locale.formattedDataSize(iBytesExpected),
                 DurationText(iMsecsLeft));
    if (bBytes)
        return tr("%1 of %2").arg(locale.formattedDataSize(iBytesDone), locale.formattedDataSize(iBytesExpected));
    if (bTime)
        return tr("About %1 left").arg(DurationText(iMsecsLeft));
    return QString();
}
