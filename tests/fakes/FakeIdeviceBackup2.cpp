// Stands in for idevicebackup2 (libimobiledevice-utils 1.3.0) in the tests: the
// same arguments, the same texts on the same channels, the same buffering and
// exit codes, and the files a backup leaves in DIR/UDID. The scenario comes
// from the environment (FakeEnvironment.h).
#include "FakeEnvironment.h"
#include "FakeFiles.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options
{
    std::string strUdid;
    std::string strSource;
    std::string strCommand;
    std::string strDirectory;
};

// The overall percentages of a run, as the device reports them; 99.6 prints
// as 100, so " 100% Finished" comes twice.
const double adOverall[] = {2.6, 11.8, 25.0, 41.7, 60.2, 77.4, 91.0, 99.6, 100.0};
const int iOverallCount = sizeof(adOverall) / sizeof(adOverall[0]);

bool g_bBackup = true;

const char* AbortedLine()
{
    return g_bBackup ? "Backup Aborted.\n" : "Restore Aborted.\n";
}

void PrintBar(double dProgress)
{
    std::printf("\r[");
    for (int i = 0; i < 50; ++i)
        std::printf("%c", i < dProgress / 2 ? '=' : ' ');
    std::printf("] %3.0f%%", dProgress);
}

// Overall progress: not flushed; it reaches a pipe with the next flush, or at
// once when standard output is line buffered.
void PrintOverall(double dProgress)
{
    PrintBar(dProgress);
    std::printf(" Finished\n");
}

// Per-file progress of a backup: flushed at every update.
void PrintFileProgress(double dProgress, double dDoneMB, double dTotalMB)
{
    PrintBar(dProgress);
    std::printf(" (%.1f MB/%.1f MB)     ", dDoneMB, dTotalMB);
    std::fflush(stdout);
    if (dProgress == 100)
        std::printf("\n");
}

void PrintUsage()
{
    std::printf("Usage: idevicebackup2 [OPTIONS] CMD [CMDOPTIONS] DIRECTORY\n\n"
                "Create or restore backup for devices.\n");
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if ((strArg == "-u" || strArg == "--udid" || strArg == "-s" || strArg == "--source") && i + 1 < argc) {
            (strArg == "-u" || strArg == "--udid" ? options.strUdid : options.strSource) = argv[++i];
        } else if (strArg == "backup" || strArg == "restore") {
            options.strCommand = strArg;
        } else if (strArg == "--full" || strArg == "--reboot" || strArg == "--system") {
            if (options.strCommand.empty())
                return false;
        } else if (!strArg.empty() && strArg[0] != '-' && !options.strCommand.empty()
                   && options.strDirectory.empty()) {
            options.strDirectory = strArg;
        } else {
            return false;
        }
    }
    if (options.strCommand.empty() || options.strDirectory.empty()) {
        if (!options.strCommand.empty())
            std::printf("No target backup directory specified.\n");
        return false;
    }
    if (options.strSource.empty())
        options.strSource = options.strUdid;
    return true;
}

std::string Hex40(int iSeed)
{
    static const char acHex[] = "0123456789abcdef";
    std::string strHex;
    unsigned int iState = 2166136261u ^ static_cast<unsigned int>(iSeed);
    for (int i = 0; i < 40; ++i) {
        iState = iState * 16777619u + 12345u;
        strHex += acHex[(iState >> 13) & 0xF];
    }
    return strHex;
}

const char szDate[] = "<date>2024-03-07T14:05:09Z</date>";

void WriteInfoPlist(const std::string& strDeviceDir, const Options& options)
{
    fake::WriteFile(strDeviceDir + "/Info.plist",
                    fake::PlistDocument({{"Build Version", "20G75"}, {"Device Name", "Test iPhone"},
                                         {"Display Name", "Test iPhone"}, {"GUID", "5C2F7E3A9B1D4E6F8A0B2C4D6E8F0A1B"},
                                         {"Last Backup Date", szDate}, {"Product Name", "iPhone 12"},
                                         {"Product Type", "iPhone13,2"}, {"Product Version", "16.6"},
                                         {"Serial Number", "F2LXK0Q1N0DG"}, {"Target Identifier", options.strUdid},
                                         {"Target Type", "Device"}, {"Unique Identifier", options.strUdid},
                                         {"iTunes Version", "10.0.1"}}));
}

void WriteDeviceFiles(const std::string& strDeviceDir, const Options& options)
{
    const std::string strLockdown = "<dict><key>UniqueDeviceID</key><string>" + options.strUdid
                                    + "</string><key>ProductVersion</key><string>16.6</string></dict>";
    fake::WriteFile(strDeviceDir + "/Manifest.db", fake::EmptySqliteDatabase());
    fake::WriteFile(strDeviceDir + "/Manifest.plist",
                    fake::PlistDocument({{"BackupKeyBag", "<data>VkVSUwAAAAQAAAAFVFlQRQAAAAQAAAAA</data>"},
                                         {"Date", szDate}, {"IsEncrypted", "<false/>"}, {"Lockdown", strLockdown},
                                         {"SystemDomainsVersion", "24.0"}, {"Version", "10.0"},
                                         {"WasPasscodeSet", "<false/>"}}));
    fake::WriteFile(strDeviceDir + "/Status.plist",
                    fake::PlistDocument({{"BackupState", "new"}, {"Date", szDate}, {"IsFullBackup", "<true/>"},
                                         {"SnapshotState", "finished"},
                                         {"UUID", "0E2B6A4C-8D1F-4B3A-9C5E-7F0A2D4B6C8E"}, {"Version", "3.3"}}));
}

// One hashed file of the device's data, with its per-file progress.
void ReceiveFile(const std::string& strDeviceDir, int iFile, long iStepMs)
{
    const std::string strHash = Hex40(iFile);
    const std::string strFolder = strDeviceDir + "/" + strHash.substr(0, 2);
    fake::MakeDirectory(strFolder);
    fake::WriteFile(strFolder + "/" + strHash, "file " + std::to_string(iFile) + " of the device\n");
    for (int iPart = 1; iPart <= 4; ++iPart) {
        PrintFileProgress(iPart * 25.0, iPart * 0.4, 1.6);
        fake::SleepMs(iStepMs / 4);
    }
}

// Streams about CORVINA_FAKE_MEGABYTES of per-file progress output with the
// overall progress in between, as fast as it can be written.
int StreamMegabytes(const std::string& strDeviceDir, const Options& options)
{
    const long iBytes = fake::EnvNumber("CORVINA_FAKE_MEGABYTES", 4) * 1000L * 1000L;
    const long iLineBytes = 80;
    const long iLines = iBytes / iLineBytes;
    const long iLinesPerOverall = iLines / iOverallCount + 1;
    int iOverall = 0;
    for (long iLine = 0; iLine < iLines; ++iLine) {
        const double dProgress = static_cast<double>(iLine % 100);
        PrintFileProgress(dProgress, dProgress * 0.1, 10.0);
        if (iLine % iLinesPerOverall == iLinesPerOverall - 1 && iOverall < iOverallCount)
            PrintOverall(adOverall[iOverall++]);
    }
    while (iOverall < iOverallCount)
        PrintOverall(adOverall[iOverall++]);
    WriteDeviceFiles(strDeviceDir, options);
    std::printf("Received %ld files from device.\n", iLines / 100);
    std::printf("Backup Successful.\n");
    return 0;
}

// The overall updates with the files in between, and what each scenario does
// to them. Returns the exit code.
int RunProgress(const std::string& strDeviceDir, const Options& options)
{
    const long iStepMs = fake::EnvNumber("CORVINA_FAKE_STEP_MS", 15);
    const char* szFailedLine = g_bBackup ? "Backup Failed (Error Code 105).\n" : "Restore Failed (Error Code 105).\n";
    if (fake::HasScenario("no-finished")) {
        std::printf(g_bBackup ? "Received 0 files from device.\nBackup Successful.\n"
                              : "The device should reboot now.\nRestore Successful.\n");
        return 0;
    }
    if (fake::HasScenario("split-finished")) {
        // The only "Finished" reaches the reader in two pieces.
        PrintBar(100);
        std::printf(" Fini");
        std::fflush(stdout);
        fake::SleepMs(700);
        std::printf("shed\n");
    }
    for (int i = 0; i < iOverallCount && !fake::HasScenario("split-finished"); ++i) {
        if (i == iOverallCount / 2 && fake::HasScenario("silent-wait"))
            fake::SilentWait(true, AbortedLine());
        if (i == iOverallCount / 2 && fake::HasScenario("ignore-term"))
            fake::SilentWait(false, AbortedLine());
        if (i == 4 && fake::HasScenario("device-error")) {
            std::printf("ErrorCode 105: Insufficient free disk space on drive to back up (MBErrorDomain/105)\n");
            std::printf("%s", szFailedLine);
            return 256 - 105;
        }
        if (i == 4 && fake::HasScenario("disconnect")) {
            std::printf("ERROR: Could not receive from mobilebackup2 (-256)\n");
            return 255;
        }
        if (i == 5 && fake::HasScenario("crash"))
            fake::CrashBySignal(SIGSEGV);
        if (g_bBackup)
            ReceiveFile(strDeviceDir, i, iStepMs);
        else
            std::printf("Sending '%s/Snapshot/%s' (1.6 MB)\n", options.strSource.c_str(), Hex40(i).c_str());
        PrintOverall(adOverall[i]);
        fake::SleepMs(iStepMs);
    }
    if (fake::HasScenario("finished-then-abort")) {
        std::printf("%s", AbortedLine());
        return 255;
    }
    if (fake::HasScenario("split-failed")) {
        // "Backup Failed (Error Code 0)." ends with exit code 0; only the
        // error words tell, and each reaches the reader in two pieces.
        std::printf(g_bBackup ? "Backup Fai" : "Restore Fai");
        std::fflush(stdout);
        fake::SleepMs(700);
        std::printf("led (Err");
        std::fflush(stdout);
        fake::SleepMs(700);
        std::printf("or Code 0).\n");
        return 0;
    }
    if (g_bBackup) {
        WriteDeviceFiles(strDeviceDir, options);
        std::printf("Received %d files from device.\n", iOverallCount);
        std::printf("Backup Successful.\n");
    } else {
        std::printf("The device should reboot now.\n");
        std::printf("Restore Successful.\n");
    }
    return 0;
}

int RunBackup(const Options& options)
{
    const std::string strDeviceDir = options.strDirectory + "/" + options.strUdid;
    fake::MakeDirectory(strDeviceDir);
    WriteInfoPlist(strDeviceDir, options);
    std::printf("Backup directory is \"%s\"\n", options.strDirectory.c_str());
    std::printf("Started \"com.apple.mobilebackup2\" service on port 49526.\n");
    std::printf("Negotiated Protocol Version 2.1\n");
    std::printf("Starting backup...\n");
    std::printf("Backup will be unencrypted.\n");
    std::printf("Requesting backup from device...\n");
    std::printf("Full backup mode.\n");
    if (fake::HasScenario("non-ascii"))
        std::printf("Receiving files of \"Fotos \xE2\x80\x93 M\xC3\xBCller \xE6\x97\xA5\xE6\x9C\xAC\"\n");
    if (fake::HasScenario("megabytes"))
        return StreamMegabytes(strDeviceDir, options);
    return RunProgress(strDeviceDir, options);
}

int RunRestore(const Options& options)
{
    const std::string strSetDir = options.strDirectory + "/" + options.strSource;
    std::string strContent;
    if (!fake::ReadFile(strSetDir + "/Info.plist", strContent)) {
        std::printf("ERROR: Backup directory \"%s\" is invalid. No Info.plist found for UDID %s.\n",
                    options.strDirectory.c_str(), options.strSource.c_str());
        return 255;
    }
    // What a failed first backup leaves (Info.plist only) makes the real tool abort.
    if (!fake::ReadFile(strSetDir + "/Manifest.plist", strContent))
        fake::CrashBySignal(SIGABRT);
    std::printf("Backup directory is \"%s\"\n", options.strDirectory.c_str());
    std::printf("Started \"com.apple.mobilebackup2\" service on port 49526.\n");
    std::printf("Negotiated Protocol Version 2.1\n");
    std::printf("Starting Restore...\n");
    std::printf("Restoring system files: Yes\n");
    std::printf("Rebooting after restore: Yes\n");
    return RunProgress(strSetDir, options);
}

} // namespace

int main(int argc, char** argv)
{
    fake::SetToolName("idevicebackup2");
    fake::RecordArguments(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return 255;
    }
    g_bBackup = options.strCommand == "backup";
    if (!fake::IsDirectory(options.strDirectory)) {
        std::printf("ERROR: Backup directory \"%s\" does not exist!\n", options.strDirectory.c_str());
        return 255;
    }
    if (fake::HasScenario("no-device")) {
        std::printf("No device found with udid %s.\n", options.strUdid.c_str());
        return 255;
    }
    return g_bBackup ? RunBackup(options) : RunRestore(options);
}
