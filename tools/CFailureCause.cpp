#include "CFailureCause.h"

const char* FailureCauseName(enumFailureCause eiCause)
{
    switch (eiCause) {
    case eiFailureCause_None:
        return "None";
    case eiFailureCause_Unknown:
        return "Unknown";
    case eiFailureCause_DiskFull:
        return "DiskFull";
    case eiFailureCause_DeviceLocked:
        return "DeviceLocked";
    case eiFailureCause_NotTrusted:
        return "NotTrusted";
    case eiFailureCause_TrustRefused:
        return "TrustRefused";
    case eiFailureCause_Disconnected:
        return "Disconnected";
    case eiFailureCause_NoDevice:
        return "NoDevice";
    case eiFailureCause_ToolMissing:
        return "ToolMissing";
    case eiFailureCause_ToolCrashed:
        return "ToolCrashed";
    case eiFailureCause_FolderNotWritable:
        return "FolderNotWritable";
    case eiFailureCause_PasswordRequired:
        return "PasswordRequired";
    case eiFailureCause_WrongPassword:
        return "WrongPassword";
    case eiFailureCause_Cancelled:
        return "Cancelled";
    case eiFailureCause_BackupIncomplete:
        return "BackupIncomplete";
    case eiFailureCause_AppsUnsupported:
        return "AppsUnsupported";
    case eiFailureCause_NoAppSaved:
        return "NoAppSaved";
    case eiFailureCause_NoApps:
        return "NoApps";
    case eiFailureCause_FindMyEnabled:
        return "FindMyEnabled";
    case eiFailureCause_NoAppArchives:
        return "NoAppArchives";
    case eiFailureCause_SetUnsound:
        return "SetUnsound";
    case eiFailureCause_DeviceBusy:
        return "DeviceBusy";
    }
    return "Unknown";
}
