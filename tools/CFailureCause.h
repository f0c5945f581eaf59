// Why a backup or restore failed, as far as the tools' output and the way they
// ended tell it. The worker threads keep the cause of their last failure for
// the page, which explains it to the user; the log gets its English name.
#ifndef CORVINA_CFAILURECAUSE_H
#define CORVINA_CFAILURECAUSE_H

#include <QString>

enum enumFailureCause {
    eiFailureCause_None, // no failure
    eiFailureCause_Unknown, // detail: the tool's last error line as printed, cut
    eiFailureCause_DiskFull, // no room for the backup on the computer
    eiFailureCause_DeviceLocked, // the device waited for its passcode
    eiFailureCause_NotTrusted, // the device has not trusted this computer yet
    eiFailureCause_TrustRefused, // the user chose not to trust this computer
    eiFailureCause_Disconnected, // the device went away during the run
    eiFailureCause_NoDevice, // no device reachable (also: usbmuxd not running)
    eiFailureCause_ToolMissing, // detail: the tool's base name
    eiFailureCause_ToolCrashed, // detail: the signal number
    eiFailureCause_FolderNotWritable, // the backup folder is missing or cannot be written
    eiFailureCause_PasswordRequired, // an encrypted backup needs its password
    eiFailureCause_Cancelled, // the user cancelled
    eiFailureCause_BackupIncomplete, // the set is unfinished or damaged
    eiFailureCause_AppsUnsupported, // the device no longer archives apps
    eiFailureCause_NoAppSaved, // an apps-only backup saved no app: the device archives none
    eiFailureCause_NoApps, // an apps-only backup of a device without apps: nothing to save
    eiFailureCause_FindMyEnabled, // Find My is on, and the device refuses to be restored
    eiFailureCause_NoAppArchives, // an apps-only restore of a set that holds no app archives
    eiFailureCause_SetUnsound, // detail: how many files of a new set are missing or short on disk
    eiFailureCause_DeviceBusy, // another window or command runs an operation on this device
    eiFailureCause_WrongPassword, // the device refused the password of an encrypted backup
};

struct structFailureCause
{
    enumFailureCause eiCause = eiFailureCause_None;
    QString qstrDetail;
};

// A stable English name of the cause for the log, such as "DiskFull".
const char* FailureCauseName(enumFailureCause eiCause);

#endif
