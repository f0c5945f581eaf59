// Enumerations shared by the pages, the main window and the worker threads.
// Their values are fixed: they travel as plain integers through queued signals.
#ifndef CORVINA_SHAREDTYPES_H
#define CORVINA_SHAREDTYPES_H

#include <QMetaType>

enum enumFormBackupRestoreIndex {
    eiFormBackupRestoreIndex_BackupRestoreStatus = 2,
    eiFormBackupRestoreIndex_PrepareProgressResult = 3,
};

enum enumFormDeviceConnectStatus {
    eiFormDeviceConnectStatus_DeviceDisConnect = 0,
    eiFormDeviceConnectStatus_DeviceBackupRestore = 1,
};

enum enumFormDeviceBackupRestoreStatus {
    eiFormDeviceBackupRestoreStatus_Setting = 0,
    eiFormDeviceBackupRestoreStatus_Progress = 1,
    eiFormDeviceBackupRestoreStatus_Result = 2,
};

enum enumStepBackupRestore {
    eiStepBackupRestore_PersonalData = 0,
    eiStepBackupRestore_Apps = 1,
    // Before the personal data: the new set seeded from the last one.
    eiStepBackupRestore_Seed = 2,
};

Q_DECLARE_METATYPE(enumFormBackupRestoreIndex)
Q_DECLARE_METATYPE(enumFormDeviceConnectStatus)
Q_DECLARE_METATYPE(enumFormDeviceBackupRestoreStatus)
Q_DECLARE_METATYPE(enumStepBackupRestore)

// Registers the four enumerations under their own names, so that queued
// signals can carry them across threads.
void RegisterSharedMetaTypes();

#endif
