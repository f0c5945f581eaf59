<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
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
        <source>Can't load iTunes Driver, Please install iTunes first!</source>
        <translation>Can't load iTunes Driver, Please install iTunes first!</translation>
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
    <name>dialogBackupSelect</name>
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
        <translation>Backup</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
</context>
<context>
    <name>widgetPrepareProgressResult</name>
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
        <translation>Failed. Is the device still connected?</translation>
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
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Seletect the item will be backuped</source>
        <translation>Choose what to back up</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Backup</translation>
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
</context>
</TS>
