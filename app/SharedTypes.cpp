#include "SharedTypes.h"

void RegisterSharedMetaTypes()
{
    qRegisterMetaType<enumFormBackupRestoreIndex>("enumFormBackupRestoreIndex");
    qRegisterMetaType<enumFormDeviceConnectStatus>("enumFormDeviceConnectStatus");
    qRegisterMetaType<enumFormDeviceBackupRestoreStatus>("enumFormDeviceBackupRestoreStatus");
    qRegisterMetaType<enumStepBackupRestore>("enumStepBackupRestore");
}
