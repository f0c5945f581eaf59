// Stands in for ideviceinstaller (1.1.1) in the tests: "-l" lists the apps of
// the fake device, "-a ID -o copy=DIR -o remove" archives one (or fails as on
// current devices), "-i PATH" installs an archive. Same texts, channels and
// exit codes as the real tool; the scenario comes from the environment
// (FakeEnvironment.h).
#include "FakeEnvironment.h"
#include "FakeFiles.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct App
{
    std::string strID;
    std::string strVersion; // empty: the app has none and the column is left out
    std::string strName;
};

struct Options
{
    std::string strUdid;
    std::string strCommand; // "list", "archive" or "install"
    std::string strTarget;  // app identifier or archive path
    std::string strCopyDir;
    bool bRemove = false;
};

std::vector<App> DeviceApps()
{
    std::vector<App> listApps = {
        {"com.example.Notes", "2.1", "Notes"},
        {"com.example.Maps", "5.0.3", "Maps"},
        {"com.example.SpaceGame", "1.0", "Space Game"},
        {"com.example.Reader", "12.4", "Reader"},
    };
    if (fake::HasScenario("two-column"))
        listApps[1].strVersion.clear();
    if (fake::HasScenario("non-ascii"))
        listApps[0].strName = "Caf\xC3\xA9 Gr\xC3\xB6\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC";
    if (fake::HasScenario("comma-name"))
        listApps[2].strName = "Space, the Game";
    if (fake::HasScenario("marker-name"))
        listApps[3].strName = "Failed Tests";
    if (fake::HasScenario("traversal-id"))
        listApps[2].strID = "../../escaped";
    const long iCount = fake::EnvNumber("CORVINA_FAKE_APP_COUNT", 4);
    for (long i = static_cast<long>(listApps.size()); i < iCount; ++i)
        listApps.push_back({"com.example.app" + std::to_string(i), "1." + std::to_string(i), "App " + std::to_string(i)});
    listApps.resize(static_cast<std::size_t>(iCount < 0 ? 0 : iCount));
    return listApps;
}

const App* FindApp(const std::vector<App>& listApps, const std::string& strID)
{
    for (const App& app : listApps) {
        if (app.strID == strID)
            return &app;
    }
    return nullptr;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (strArg == "-u" && bHasValue) {
            options.strUdid = argv[++i];
        } else if (strArg == "-l") {
            options.strCommand = "list";
        } else if ((strArg == "-a" || strArg == "-i") && bHasValue) {
            options.strCommand = strArg == "-a" ? "archive" : "install";
            options.strTarget = argv[++i];
        } else if (strArg == "-o" && bHasValue) {
            const std::string strOption = argv[++i];
            if (strOption.compare(0, 5, "copy=") == 0)
                options.strCopyDir = strOption.substr(5);
            else if (strOption == "remove")
                options.bRemove = true;
        } else {
            return false;
        }
    }
    return !options.strCommand.empty();
}

int ListApps()
{
    if (fake::HasScenario("list-crash")) {
        std::printf("CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName\n");
        fake::CrashBySignal(SIGSEGV);
    }
    // The Windows build's C runtime ends lines with "\r\n".
    const char* szLineEnd = fake::HasScenario("crlf") ? "\r\n" : "\n";
    std::printf("CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName%s", szLineEnd);
    for (const App& app : DeviceApps()) {
        std::printf("%s", app.strID.c_str());
        if (!app.strVersion.empty())
            std::printf(", \"%s\"", app.strVersion.c_str());
        std::printf(", \"%s\"%s", app.strName.c_str(), szLineEnd);
    }
    return 0;
}

void PrintStatus(const char* szCommand, const char* szStatus, int iPercent)
{
    std::printf("\r%s: %s (%d%%)", szCommand, szStatus, iPercent);
    std::fflush(stdout);
    fake::SleepMs(fake::EnvNumber("CORVINA_FAKE_STEP_MS", 15) / 3);
}

int ArchiveApp(const Options& options)
{
    const std::vector<App> listApps = DeviceApps();
    const App* pApp = FindApp(listApps, options.strTarget);
    if (!fake::HasScenario("old-device")) {
        std::fprintf(stderr, "ERROR: Archive failed. Got error \"UnknownCommand\".\n");
        return 255;
    }
    if (pApp == nullptr || fake::Contains(fake::EnvList("CORVINA_FAKE_FAIL_IDS"), options.strTarget)) {
        std::fprintf(stderr, "ERROR: Archive failed. Got error \"APIInternalError\".\n");
        return 255;
    }
    PrintStatus("Archive", "TakingInstallLock", 5);
    PrintStatus("Archive", "ArchivingApplication", 50);
    PrintStatus("Archive", "Complete", 100);
    std::printf("\n");
    if (fake::HasScenario("silent-wait"))
        fake::SilentWait(true, "");
    const std::string strRemote = "ApplicationArchives/" + pApp->strID + ".zip";
    const std::string strLocal = options.strCopyDir + "/" + pApp->strID + ".ipa";
    // The tool opens the local file before it asks the device for the size.
    if (!fake::WriteFile(strLocal, std::string())) {
        std::fprintf(stderr, "ERROR: fopen: %s: No such file or directory\n", strLocal.c_str());
        return 255;
    }
    if (fake::HasScenario("zero-byte")) {
        std::fprintf(stderr, "ERROR getting AFC file info for '%s' on device!\n", strRemote.c_str());
        return 255;
    }
    if (fake::HasScenario("no-length")) {
        std::fprintf(stderr, "Hm... remote file length could not be determined. Cannot copy.\n");
        return 0;
    }
    std::printf("Copying '%s' --> '%s'... ", strRemote.c_str(), strLocal.c_str());
    fake::WriteFile(strLocal, fake::AppArchive(pApp->strID, pApp->strVersion, pApp->strName));
    if (fake::HasScenario("large-archive"))
        fake::ExtendSparse(strLocal, (2ull << 30) + 4096);
    std::printf("DONE.\n");
    if (options.bRemove) {
        std::printf("Removing '%s'\n", pApp->strID.c_str());
        PrintStatus("RemoveArchive", "RemovingArchive", 50);
        PrintStatus("RemoveArchive", "Complete", 100);
        std::printf("\n");
    }
    return 0;
}

int InstallApp(const Options& options)
{
    std::string strArchive;
    if (!fake::ReadFile(options.strTarget, strArchive)) {
        std::fprintf(stderr, "ERROR: stat: %s: No such file or directory\n", options.strTarget.c_str());
        return 255;
    }
    const std::string strID = fake::BundleIDOfArchive(strArchive);
    if (strID.empty()) {
        std::fprintf(stderr, "ERROR: zip_open: %s: 19\n", options.strTarget.c_str());
        return 255;
    }
    std::printf("Copying '%s' to device... ", options.strTarget.c_str());
    // Both failures end with exit code 0 and none of the error words.
    if (fake::HasScenario("upload-fails")) {
        std::fprintf(stderr, "afc_file_open on 'PublicStaging/%s' failed!\n", strID.c_str());
        return 0;
    }
    std::printf("DONE.\n");
    std::printf("Installing '%s'\n", strID.c_str());
    if (fake::HasScenario("device-removed")) {
        PrintStatus("Install", "CreatingStagingDirectory", 5);
        std::fprintf(stderr, "ideviceinstaller: Device removed\n");
        return 0;
    }
    if (fake::HasScenario("silent-wait"))
        fake::SilentWait(true, "");
    if (fake::Contains(fake::EnvList("CORVINA_FAKE_FAIL_IDS"), strID)) {
        std::fprintf(stderr, "ERROR: Install failed. Got error \"APIInternalError\" with code 0xe8008001: "
                             "Could not install the app.\n");
        return 128;
    }
    PrintStatus("Install", "CreatingStagingDirectory", 5);
    PrintStatus("Install", "ExtractingPackage", 15);
    PrintStatus("Install", "InstallingApplication", 80);
    std::printf("\rInstall: Complete\n");
    const std::string strDeviceDir = fake::EnvText("CORVINA_FAKE_DEVICE_DIR");
    if (!strDeviceDir.empty())
        fake::AppendLine(strDeviceDir + "/installed.txt", strID);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    fake::SetToolName("ideviceinstaller");
    fake::RecordArguments(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::printf("Usage: ideviceinstaller OPTIONS\nManage apps on iOS devices.\n");
        return 0;
    }
    if (fake::HasScenario("no-device")) {
        std::fprintf(stderr, "No device found with udid %s.\n", options.strUdid.c_str());
        return 255;
    }
    if (options.strCommand == "list")
        return ListApps();
    if (fake::HasScenario("crash"))
        fake::CrashBySignal(SIGSEGV);
    return options.strCommand == "archive" ? ArchiveApp(options) : InstallApp(options);
}
