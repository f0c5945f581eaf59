<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CCliSession</name>
    <message>
        <source>There is no folder %1.</source>
        <translation>There is no folder %1.</translation>
    </message>
    <message>
        <source>This backup did not finish and cannot be restored.</source>
        <translation>This backup did not finish and cannot be restored.</translation>
    </message>
    <message>
        <source>This backup is damaged (files are missing or its manifest cannot be read) and cannot be restored.</source>
        <translation>This backup is damaged (files are missing or its manifest cannot be read) and cannot be restored.</translation>
    </message>
    <message>
        <source>%1 is not a Corvina backup set: it holds no BackupFlag.ini.</source>
        <translation>%1 is not a Corvina backup set: it holds no BackupFlag.ini.</translation>
    </message>
    <message>
        <source>Corvina&apos;s driver library %1 cannot be loaded: %2</source>
        <translation>Corvina&apos;s driver library %1 cannot be loaded: %2</translation>
    </message>
    <message>
        <source>No device is connected.</source>
        <translation>No device is connected.</translation>
    </message>
    <message>
        <source>No device is connected. Connect the device by USB, unlock it and trust this computer.</source>
        <translation>No device is connected. Connect the device by USB, unlock it and trust this computer.</translation>
    </message>
    <message>
        <source>No connected device is called &quot;%1&quot;.</source>
        <translation>No connected device is called &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Several devices are connected; choose one with --device:</source>
        <translation>Several devices are connected; choose one with --device:</translation>
    </message>
    <message>
        <source>The disk of %1 has %2 free, and the device holds %3 of data: the backup would not fit. Free some space, or choose another folder with --to.</source>
        <translation>The disk of %1 has %2 free, and the device holds %3 of data: the backup would not fit. Free some space, or choose another folder with --to.</translation>
    </message>
    <message>
        <source>Restoring replaces all the data on the device, and there is no terminal to ask on. Add --yes to restore without asking.</source>
        <translation>Restoring replaces all the data on the device, and there is no terminal to ask on. Add --yes to restore without asking.</translation>
    </message>
    <message>
        <source>This backup was made from another device (%1).</source>
        <translation>This backup was made from another device (%1).</translation>
    </message>
    <message>
        <source>Restoring replaces all the data on &quot;%1&quot; (%2) with the data of %3, and the device restarts at the end. Restore it? [y/N] </source>
        <translation>Restoring replaces all the data on &quot;%1&quot; (%2) with the data of %3, and the device restarts at the end. Restore it? [y/N] </translation>
    </message>
    <message>
        <source>y</source>
        <translation>y</translation>
    </message>
    <message>
        <source>Nothing was restored.</source>
        <translation>Nothing was restored.</translation>
    </message>
    <message>
        <source>Restoring %1 onto &quot;%2&quot; (%3).</source>
        <translation>Restoring %1 onto &quot;%2&quot; (%3).</translation>
    </message>
    <message>
        <source>Backing up &quot;%1&quot; (%2) into %3.</source>
        <translation>Backing up &quot;%1&quot; (%2) into %3.</translation>
    </message>
    <message>
        <source>Warning: %1 apps could not be saved.</source>
        <translation>Warning: %1 apps could not be saved.</translation>
    </message>
    <message>
        <source>A restore is running: stopping it now leaves the device half restored, and it may not start properly until a restore finishes. Press Ctrl-C again to stop it anyway.</source>
        <translation>A restore is running: stopping it now leaves the device half restored, and it may not start properly until a restore finishes. Press Ctrl-C again to stop it anyway.</translation>
    </message>
    <message>
        <source>This backup is encrypted. Its password (the one chosen when backup encryption was turned on, not the device&apos;s passcode): </source>
        <translation>This backup is encrypted. Its password (the one chosen when backup encryption was turned on, not the device&apos;s passcode): </translation>
    </message>
    <message>
        <source>No password was given. Nothing was restored.</source>
        <translation>No password was given. Nothing was restored.</translation>
    </message>
    <message>
        <source>The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and punctuation (ASCII), without accents or other scripts. Nothing was restored.</source>
        <translation>The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and punctuation (ASCII), without accents or other scripts. Nothing was restored.</translation>
    </message>
</context>
<context>
    <name>CCommandLine</name>
    <message>
        <source>Unknown command &quot;%1&quot;.</source>
        <translation>Unknown command &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The command %1 has no option %2.</source>
        <translation>The command %1 has no option %2.</translation>
    </message>
    <message>
        <source>The option %1 needs a value.</source>
        <translation>The option %1 needs a value.</translation>
    </message>
    <message>
        <source>The option %1 takes no value.</source>
        <translation>The option %1 takes no value.</translation>
    </message>
    <message>
        <source>The command %1 needs one backup set folder.</source>
        <translation>The command %1 needs one backup set folder.</translation>
    </message>
    <message>
        <source>Too many arguments for the command %1.</source>
        <translation>Too many arguments for the command %1.</translation>
    </message>
    <message>
        <source>Usage: corvina [COMMAND [OPTIONS]]
Without a command Corvina opens its window.

Commands:
  devices [--json]                 the connected devices
  backup [--device UDID|NAME] [--to DIR] [--apps] [--full] [--json]
                                   back up a device&apos;s personal data (and with --apps its apps)
                                   into a new set in DIR (default: the window&apos;s backup folder)
  restore SET [--device UDID|NAME] [--yes] [--json]
                                   replace the device&apos;s data with the set&apos;s; asks first unless --yes
  list [DIR] [--json]              the backup sets in DIR: date, device, iOS, size, state, encryption
  verify SET [--json]              check every file of a set
  --help                           this text

--device may be left out when one device is connected. --json prints one JSON object per line.
Ctrl-C cancels a running backup.

Exit codes: 0 done, 1 failed (the cause on standard error), 2 wrong usage,
3 no such device or no device.
</source>
        <translation>Usage: corvina [COMMAND [OPTIONS]]
Without a command Corvina opens its window.

Commands:
  devices [--json]                 the connected devices
  backup [--device UDID|NAME] [--to DIR] [--apps] [--full] [--json]
                                   back up a device&apos;s personal data (and with --apps its apps)
                                   into a new set in DIR (default: the window&apos;s backup folder)
  restore SET [--device UDID|NAME] [--yes] [--json]
                                   replace the device&apos;s data with the set&apos;s; asks first unless --yes
  list [DIR] [--json]              the backup sets in DIR: date, device, iOS, size, state, encryption
  verify SET [--json]              check every file of a set
  --help                           this text

--device may be left out when one device is connected. --json prints one JSON object per line.
Ctrl-C cancels a running backup.

Exit codes: 0 done, 1 failed (the cause on standard error), 2 wrong usage,
3 no such device or no device.
</translation>
    </message>
    <message>
        <source>Try: corvina --help</source>
        <translation>Try: corvina --help</translation>
    </message>
</context>
<context>
    <name>CConsoleReport</name>
    <message>
        <source>complete</source>
        <translation>complete</translation>
    </message>
    <message>
        <source>unfinished</source>
        <translation>unfinished</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>damaged</translation>
    </message>
    <message>
        <source>encrypted</source>
        <translation>encrypted</translation>
    </message>
    <message>
        <source>%1: %2, %3 files, %4</source>
        <translation>%1: %2, %3 files, %4</translation>
    </message>
    <message>
        <source>%1 files are missing or not of their recorded size, among them: %2</source>
        <translation>%1 files are missing or not of their recorded size, among them: %2</translation>
    </message>
    <message>
        <source>apps</source>
        <translation>apps</translation>
    </message>
    <message>
        <source>personal data</source>
        <translation>personal data</translation>
    </message>
    <message>
        <source>Done: %1</source>
        <translation>Done: %1</translation>
    </message>
</context>
<context>
    <name>Corvina</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS Backup &amp; Restore</translation>
    </message>
    <message>
        <source>iTunes Driver Load Failed</source>
        <translation>iTunes Driver Load Failed</translation>
    </message>
    <message>
        <source>Can&apos;t load iTunes Driver, Please install iTunes first!</source>
        <translation>Can&apos;t load iTunes Driver, Please install iTunes first!</translation>
    </message>
    <message>
        <source>Stop the restore?</source>
        <translation>Stop the restore?</translation>
    </message>
    <message>
        <source>Cancel the backup?</source>
        <translation>Cancel the backup?</translation>
    </message>
    <message>
        <source>A restore is running. Stop the restore and leave the device half restored? It may not start properly until a restore finishes.</source>
        <translation>A restore is running. Stop the restore and leave the device half restored? It may not start properly until a restore finishes.</translation>
    </message>
    <message>
        <source>Stop the backup now? What was copied so far stays in its folder but cannot be restored.</source>
        <translation>Stop the backup now? What was copied so far stays in its folder but cannot be restored.</translation>
    </message>
    <message>
        <source>Corvina&apos;s driver library %1 cannot be loaded: the libimobiledevice libraries it needs are missing. Install the package libimobiledevice6 (sudo apt install libimobiledevice6) and start Corvina again.</source>
        <translation>Corvina&apos;s driver library %1 cannot be loaded: the libimobiledevice libraries it needs are missing. Install the package libimobiledevice6 (sudo apt install libimobiledevice6) and start Corvina again.</translation>
    </message>
    <message>
        <source>Corvina&apos;s driver library %1 is missing or damaged in its program folder %2. Reinstall the Corvina package (sudo apt install --reinstall corvina).</source>
        <translation>Corvina&apos;s driver library %1 is missing or damaged in its program folder %2. Reinstall the Corvina package (sudo apt install --reinstall corvina).</translation>
    </message>
    <message>
        <source>Device Driver Load Failed</source>
        <translation>Device Driver Load Failed</translation>
    </message>
</context>
<context>
    <name>CorvinaClass</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS Backup &amp; Restore</translation>
    </message>
    <message>
        <source>Corvina</source>
        <translation>Corvina</translation>
    </message>
</context>
<context>
    <name>dialogBackupPassword</name>
    <message>
        <source>Remember in the keyring</source>
        <translation>Remember in the keyring</translation>
    </message>
    <message>
        <source>Keeps the password in the desktop&apos;s keyring for this device, so that it is filled in next time.</source>
        <translation>Keeps the password in the desktop&apos;s keyring for this device, so that it is filled in next time.</translation>
    </message>
    <message>
        <source>New password</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>The new password again</source>
        <translation>The new password again</translation>
    </message>
    <message>
        <source>The backup %1 is encrypted. Enter its password: the one chosen when backup encryption was turned on, not the device&apos;s passcode.</source>
        <translation>The backup %1 is encrypted. Enter its password: the one chosen when backup encryption was turned on, not the device&apos;s passcode.</translation>
    </message>
    <message>
        <source>The password was wrong.</source>
        <translation>The password was wrong.</translation>
    </message>
    <message>
        <source>The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and punctuation (ASCII), without accents or other scripts.</source>
        <translation>The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and punctuation (ASCII), without accents or other scripts.</translation>
    </message>
    <message>
        <source>The two entries differ.</source>
        <translation>The two entries differ.</translation>
    </message>
</context>
<context>
    <name>dialogBackupSelect</name>
    <message>
        <source>iOS %1</source>
        <translation>iOS %1</translation>
    </message>
    <message>
        <source>complete</source>
        <translation>complete</translation>
    </message>
    <message>
        <source>unfinished</source>
        <translation>unfinished</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>damaged</translation>
    </message>
    <message>
        <source>checking...</source>
        <translation>checking...</translation>
    </message>
    <message>
        <source>This backup did not finish and cannot be restored. Choose another backup.</source>
        <translation>This backup did not finish and cannot be restored. Choose another backup.</translation>
    </message>
    <message>
        <source>This backup is damaged (files are missing or its manifest cannot be read) and cannot be restored. Choose another backup.</source>
        <translation>This backup is damaged (files are missing or its manifest cannot be read) and cannot be restored. Choose another backup.</translation>
    </message>
    <message>
        <source>Backup Select</source>
        <translation>Select a Backup</translation>
    </message>
    <message>
        <source>Select Backup</source>
        <translation>Select a Backup</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>Device Name</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Select Backup Directory</source>
        <translation>Select a Backup</translation>
    </message>
    <message>
        <source>Encrypted: restoring it asks for its password.</source>
        <translation>Encrypted: restoring it asks for its password.</translation>
    </message>
</context>
<context>
    <name>widgetBackupEncryption</name>
    <message>
        <source>Encrypt this device&apos;s backups</source>
        <translation>Encrypt this device&apos;s backups</translation>
    </message>
    <message>
        <source>Change password</source>
        <translation>Change password</translation>
    </message>
    <message>
        <source>An encrypted backup also keeps saved passwords, Wi-Fi settings, call and browsing history and Health data. If the password is forgotten, nobody can recover it, and the encrypted backups cannot be restored.</source>
        <translation>An encrypted backup also keeps saved passwords, Wi-Fi settings, call and browsing history and Health data. If the password is forgotten, nobody can recover it, and the encrypted backups cannot be restored.</translation>
    </message>
    <message>
        <source>Waiting for the device... If it asks for its passcode, enter it there.</source>
        <translation>Waiting for the device... If it asks for its passcode, enter it there.</translation>
    </message>
    <message>
        <source>The device did not tell whether it encrypts its backups.</source>
        <translation>The device did not tell whether it encrypts its backups.</translation>
    </message>
    <message>
        <source>Encrypt backups</source>
        <translation>Encrypt backups</translation>
    </message>
    <message>
        <source>Choose a password for this device&apos;s backups. Every backup of it is encrypted from now on, and restoring one needs this password. Nobody can recover it if it is forgotten.</source>
        <translation>Choose a password for this device&apos;s backups. Every backup of it is encrypted from now on, and restoring one needs this password. Nobody can recover it if it is forgotten.</translation>
    </message>
    <message>
        <source>Turn on</source>
        <translation>Turn on</translation>
    </message>
    <message>
        <source>Stop encrypting backups</source>
        <translation>Stop encrypting backups</translation>
    </message>
    <message>
        <source>Enter the current backup password (the one chosen when encryption was turned on, not the device&apos;s passcode) to turn encryption off.</source>
        <translation>Enter the current backup password (the one chosen when encryption was turned on, not the device&apos;s passcode) to turn encryption off.</translation>
    </message>
    <message>
        <source>Turn off</source>
        <translation>Turn off</translation>
    </message>
    <message>
        <source>Enter the current backup password (the one chosen when encryption was turned on, not the device&apos;s passcode).</source>
        <translation>Enter the current backup password (the one chosen when encryption was turned on, not the device&apos;s passcode).</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Choose the new backup password.</source>
        <translation>Choose the new backup password.</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Backups of this device are encrypted now.</source>
        <translation>Backups of this device are encrypted now.</translation>
    </message>
    <message>
        <source>Backups of this device are no longer encrypted.</source>
        <translation>Backups of this device are no longer encrypted.</translation>
    </message>
    <message>
        <source>The backup password was changed.</source>
        <translation>The backup password was changed.</translation>
    </message>
    <message>
        <source>The device refused the current password and kept its setting. Enter the password chosen when encryption was turned on, not the device&apos;s passcode.</source>
        <translation>The device refused the current password and kept its setting. Enter the password chosen when encryption was turned on, not the device&apos;s passcode.</translation>
    </message>
</context>
<context>
    <name>widgetBackupRestoreStatus</name>
    <message>
        <source>Home</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>Pls connect the device first before backup and restore.</source>
        <translation>Please connect a device to back up or restore.</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Back up</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>The device service (usbmuxd) cannot be reached. It starts by itself when a device is plugged in; if yours is connected, start it with:
sudo systemctl start usbmuxd</source>
        <translation>The device service (usbmuxd) cannot be reached. It starts by itself when a device is plugged in; if yours is connected, start it with:
sudo systemctl start usbmuxd</translation>
    </message>
</context>
<context>
    <name>widgetPrepareProgressResult</name>
    <message>
        <source>Not enough space</source>
        <translation>Not enough space</translation>
    </message>
    <message>
        <source>The backup will not fit: the disk of the backup folder has %1 free, and the device holds %2 of data. Choose another folder?</source>
        <translation>The backup will not fit: the disk of the backup folder has %1 free, and the device holds %2 of data. Choose another folder?</translation>
    </message>
    <message>
        <source>Choose Another Folder</source>
        <translation>Choose Another Folder</translation>
    </message>
    <message>
        <source>Backup and Restore</source>
        <translation>Backup and Restore</translation>
    </message>
    <message>
        <source>Select the device to operate :</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>Backuping...</source>
        <translation>Backing up...</translation>
    </message>
    <message>
        <source>Pls keep the device connected</source>
        <translation>Please keep the device connected</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Congratulations!</source>
        <translation>Congratulations!</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Failed, Pls confirm is the device connected ?</source>
        <translation>The operation failed.</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Use this backup</source>
        <translation>Restore from a backup in this folder</translation>
    </message>
    <message>
        <source>Backup Directory :</source>
        <translation>Backup folder:</translation>
    </message>
    <message>
        <source>Other Directory</source>
        <translation>Change folder</translation>
    </message>
    <message>
        <source>Important Personal Data</source>
        <translation>Important Personal Data</translation>
    </message>
    <message>
        <source>Photo</source>
        <translation>Photos</translation>
    </message>
    <message>
        <source>Contacts</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>Music</source>
        <translation>Music</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Videos</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>App</source>
        <translation>Apps</translation>
    </message>
    <message>
        <source>Game/App (Data Included)</source>
        <translation>Games and Apps (with their data)</translation>
    </message>
    <message>
        <source>Copy only what changed since the last backup</source>
        <translation>Copy only what changed since the last backup</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Seletect the item will be backuped</source>
        <translation>Choose what to back up</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Back up</translation>
    </message>
    <message>
        <source>PeloraBackup</source>
        <translation>PeloraBackup</translation>
    </message>
    <message>
        <source>Open Directory</source>
        <translation>Choose a Folder</translation>
    </message>
    <message>
        <source>Prompt</source>
        <translation>Not a Backup</translation>
    </message>
    <message>
        <source>The directory you select is not bakcup directory, pls select again!.
</source>
        <translation>The folder you chose is not a backup. Please choose another one.
</translation>
    </message>
    <message>
        <source>Restoring...</source>
        <translation>Restoring...</translation>
    </message>
    <message>
        <source>Backing up...</source>
        <translation>Backing up...</translation>
    </message>
    <message>
        <source>Warning: %d apps restore failed!</source>
        <translation>Warning: %d apps could not be restored.</translation>
    </message>
    <message>
        <source>Warning: %d apps backup failed!</source>
        <translation>Warning: %d apps could not be backed up.</translation>
    </message>
    <message>
        <source>If the device asks for its passcode, unlock it and enter the passcode there: the backup starts after that.</source>
        <translation>If the device asks for its passcode, unlock it and enter the passcode there: the backup starts after that.</translation>
    </message>
    <message>
        <source>There is not enough free space on this computer for the backup. Free some space on the disk of the backup folder and press Retry, or press &quot;%1&quot; and choose another folder with &quot;%2&quot;.</source>
        <translation>There is not enough free space on this computer for the backup. Free some space on the disk of the backup folder and press Retry, or press &quot;%1&quot; and choose another folder with &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>The device is locked or waited for its passcode. Unlock it, enter the passcode on the device when it asks, and press Retry.</source>
        <translation>The device is locked, or is waiting for its passcode. Unlock it, enter the passcode on the device when it asks, and press Retry.</translation>
    </message>
    <message>
        <source>The device does not trust this computer yet. Unlock the device, tap &quot;Trust&quot; when it asks whether to trust this computer, and press Retry.</source>
        <translation>The device does not trust this computer yet. Unlock the device, tap &quot;Trust&quot; when it asks whether to trust this computer, and press Retry.</translation>
    </message>
    <message>
        <source>The device was told not to trust this computer. Unplug it and plug it in again, unlock it, tap &quot;Trust&quot; and press Retry.</source>
        <translation>The device was told not to trust this computer. Unplug it and plug it in again, unlock it, tap &quot;Trust&quot; and press Retry.</translation>
    </message>
    <message>
        <source>The device was disconnected. Plug it in again, keep it unlocked and connected, and press Retry.</source>
        <translation>The device was disconnected. Plug it in again, keep it unlocked and connected, and press Retry.</translation>
    </message>
    <message>
        <source>No device could be reached. Check the cable and that the device service (usbmuxd) is running, then press Retry.</source>
        <translation>No device could be reached. Check the cable and that the device service (usbmuxd) is running, then press Retry.</translation>
    </message>
    <message>
        <source>The program &quot;%1&quot; is missing. Install the package &quot;%2&quot; (sudo apt install %2) and press Retry.</source>
        <translation>The program &quot;%1&quot; is missing. Install the package &quot;%2&quot; (sudo apt install %2) and press Retry.</translation>
    </message>
    <message>
        <source>The backup was cancelled. What was copied so far stays in its folder but cannot be restored; press Retry to back up again.</source>
        <translation>The backup was cancelled. What was copied so far stays in its folder but cannot be restored; press Retry to back up again.</translation>
    </message>
    <message>
        <source>This backup is incomplete (it was cancelled or failed part-way) and cannot be restored. Choose another backup.</source>
        <translation>This backup is incomplete (it was cancelled or failed part-way) and cannot be restored. Choose another backup.</translation>
    </message>
    <message>
        <source>This device no longer lets apps be saved as archives (iOS 7 and later do not). Your apps come back from the App Store; their data is in the personal data backup.</source>
        <translation>This device no longer lets apps be saved as archives (iOS 7 and later do not). Your apps come back from the App Store; their data is in the personal data backup.</translation>
    </message>
    <message numerus="yes">
        <source>the backup on disk is incomplete: %n files missing or shorter than the device sent; check the disk and back up again</source>
        <translation>
            <numerusform>the backup on disk is incomplete: %n file missing or shorter than the device sent; check the disk and back up again</numerusform>
            <numerusform>the backup on disk is incomplete: %n files missing or shorter than the device sent; check the disk and back up again</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Saved: %n files, %1 in all, encrypted.</source>
        <translation>
            <numerusform>Saved: %n file, %1 in all, encrypted.</numerusform>
            <numerusform>Saved: %n files, %1 in all, encrypted.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Saved: %n files, %1 in all, not encrypted.</source>
        <translation>
            <numerusform>Saved: %n file, %1 in all, not encrypted.</numerusform>
            <numerusform>Saved: %n files, %1 in all, not encrypted.</numerusform>
        </translation>
    </message>
    <message>
        <source>No app could be saved: this device does not let apps be copied (iOS 7 and later do not), so this backup holds nothing. Your apps&apos; data is kept with the personal data: press &quot;%1&quot;, tick &quot;%2&quot; and press Backup.</source>
        <translation>No app could be saved: this device does not let apps be copied (iOS 7 and later do not), so this backup holds nothing. Your apps&apos; data is kept with the personal data: press &quot;%1&quot;, tick &quot;%2&quot; and press &quot;Back up&quot;.</translation>
    </message>
    <message>
        <source>This device has no apps to back up, so this backup holds nothing. Press &quot;%1&quot;, tick &quot;%2&quot; to back up the device&apos;s data, and press Backup.</source>
        <translation>This device has no apps to back up, so this backup holds nothing. Press &quot;%1&quot;, tick &quot;%2&quot; to back up the device&apos;s data, and press &quot;Back up&quot;.</translation>
    </message>
    <message>
        <source>Find My is on, and a device with Find My on cannot be restored. On the device, go to Settings &gt; your name &gt; Find My and turn off Find My iPhone (it asks for the Apple Account password), then press Retry.</source>
        <translation>Find My is on, and a device with Find My on cannot be restored. On the device, go to Settings &gt; your name &gt; Find My and turn off Find My iPhone (it asks for the Apple Account password), then press Retry.</translation>
    </message>
    <message>
        <source>Something went wrong. Press Retry; the log file holds the details.</source>
        <translation>Something went wrong. Press Retry; the log file holds the details.</translation>
    </message>
    <message>
        <source>Something went wrong. The tool said: %1</source>
        <translation>Something went wrong. The tool said: %1</translation>
    </message>
    <message>
        <source>Cancel the backup?</source>
        <translation>Cancel the backup?</translation>
    </message>
    <message>
        <source>Stop the backup now? What was copied so far stays in its folder but cannot be restored.</source>
        <translation>Stop the backup now? What was copied so far stays in its folder but cannot be restored.</translation>
    </message>
    <message>
        <source>The program doing the work stopped unexpectedly (signal %1). Unplug the device, plug it in again and press Retry.</source>
        <translation>The program doing the work stopped unexpectedly (signal %1). Unplug the device, plug it in again and press Retry.</translation>
    </message>
    <message>
        <source>The backup folder cannot be written. Make room or permission there and press Retry, or press &quot;%1&quot; and choose another folder with &quot;%2&quot;.</source>
        <translation>The backup folder cannot be written. Make room or permission there and press Retry, or press &quot;%1&quot; and choose another folder with &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>Change the settings</source>
        <translation>Change the settings</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was disconnected while the backup was being chosen. Nothing was restored: connect it and press Restore again.</source>
        <translation>&quot;%1&quot; was disconnected while the backup was being chosen. Nothing was restored: connect it and press Restore again.</translation>
    </message>
    <message>
        <source>Restore a backup of another device?</source>
        <translation>Restore a backup of another device?</translation>
    </message>
    <message>
        <source>This backup was made from &quot;%1&quot; (%2), not from &quot;%3&quot;. Restoring it replaces all the data on &quot;%3&quot; with the data of &quot;%1&quot;.

Restore it onto &quot;%3&quot;?</source>
        <translation>This backup was made from &quot;%1&quot; (%2), not from &quot;%3&quot;. Restoring it replaces all the data on &quot;%3&quot; with the data of &quot;%1&quot;.

Restore it onto &quot;%3&quot;?</translation>
    </message>
    <message>
        <source>Stopping the restore...</source>
        <translation>Stopping the restore...</translation>
    </message>
    <message>
        <source>Stopping the backup...</source>
        <translation>Stopping the backup...</translation>
    </message>
    <message>
        <source>This backup holds no app archives (the device it came from did not allow them), so restoring only apps restores nothing. Press &quot;%1&quot;, tick &quot;%2&quot; and press Restore: the apps&apos; data comes back with it, and the apps come back from the App Store.</source>
        <translation>This backup holds no app archives (the device it came from did not allow them), so restoring only apps restores nothing. Press &quot;%1&quot;, tick &quot;%2&quot; and press Restore: the apps&apos; data comes back with it, and the apps come back from the App Store.</translation>
    </message>
    <message>
        <source>The personal data was restored. This backup holds no app archives (iOS 7 and later do not allow them): the apps come back from the App Store, and their data came back with the personal data.</source>
        <translation>The personal data was restored. This backup holds no app archives (iOS 7 and later do not allow them): the apps come back from the App Store, and their data came back with the personal data.</translation>
    </message>
    <message>
        <source>Open the backup folder</source>
        <translation>Open the backup folder</translation>
    </message>
    <message>
        <source>Transferred from the device: %1 of the set&apos;s %2.</source>
        <translation>Transferred from the device: %1 of the set&apos;s %2.</translation>
    </message>
    <message>
        <source>Restored from %1 onto &quot;%2&quot;.</source>
        <translation>Restored from %1 onto &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Saved in %1, from &quot;%2&quot;.</source>
        <translation>Saved in %1, from &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Another Corvina window or command is already backing up or restoring this device. Wait for it to end and press Retry.</source>
        <translation>Another Corvina window or command is already backing up or restoring this device. Wait for it to end and press Retry.</translation>
    </message>
    <message>
        <source>less than a minute</source>
        <translation>less than a minute</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 of %2 · about %3 left</source>
        <translation>%1 of %2 · about %3 left</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>%1 of %2 · less than a minute left</source>
        <translation>%1 of %2 · less than a minute left</translation>
    </message>
    <message>
        <source>Starting from the last backup...</source>
        <translation>Starting from the last backup...</translation>
    </message>
    <message>
        <source>Less than a minute left</source>
        <translation>Less than a minute left</translation>
    </message>
    <message>
        <source>About %1 left</source>
        <translation>About %1 left</translation>
    </message>
    <message>
        <source>This backup is encrypted and needs its password. Press Retry and enter the password that was chosen when encryption was turned on.</source>
        <translation>This backup is encrypted and needs its password. Press Retry and enter the password that was chosen when encryption was turned on.</translation>
    </message>
    <message>
        <source>The password is wrong. Enter the password that was chosen when backup encryption was turned on (not the device&apos;s passcode) and press Retry.</source>
        <translation>The password is wrong. Enter the password that was chosen when backup encryption was turned on (not the device&apos;s passcode) and press Retry.</translation>
    </message>
    <message>
        <source>Backup password</source>
        <translation>Backup password</translation>
    </message>
</context>
</TS>
