// The program's window seen from outside, on an X display (run it under
// xvfb-run): start-up, from starting the process to the moment its first
// window is mapped, against a minimal Qt widget program of this tree; then
// idle, the CPU time and resident memory of the program over a stretch with
// its window open and no device. The X server reports each map to this
// program, which watches the root window's children.
#include "BenchCommandLine.h"
#include "BenchFigures.h"

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The environment of a started program: a runtime folder of its own, so that
// no other running copy counts as its first instance, and no device service.
std::vector<std::string> ChildEnvironment(const std::string& strRuntimeDir)
{
    std::vector<std::string> listEnv;
    for (char** p = environ; *p != nullptr; ++p) {
        if (std::strncmp(*p, "XDG_RUNTIME_DIR=", 16) != 0 && std::strncmp(*p, "USBMUXD_SOCKET_ADDRESS=", 23) != 0
            && std::strncmp(*p, "QT_QPA_PLATFORM=", 16) != 0)
            listEnv.push_back(*p);
    }
    listEnv.push_back("XDG_RUNTIME_DIR=" + strRuntimeDir);
    listEnv.push_back("USBMUXD_SOCKET_ADDRESS=127.0.0.1:9");
    return listEnv;
}

class Display
{
public:
    Display()
        : m_pConnection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_pConnection) != 0)
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_pConnection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_pConnection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_pConnection);
        m_bOk = true;
    }
    ~Display() { xcb_disconnect(m_pConnection); }
    bool Ok() const { return m_bOk; }

    // Drops the events that arrived so far.
    void Drain()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_pConnection))
            std::free(event);
    }

    // Waits for the next map of a top-level window; false after the timeout.
    bool WaitForMap(int iTimeoutMs)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(iTimeoutMs);
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_pConnection)) {
                const bool bMapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
                std::free(event);
                if (bMapped)
                    return true;
            }
            pollfd descriptor{xcb_get_file_descriptor(m_pConnection), POLLIN, 0};
            poll(&descriptor, 1, 10);
        }
        return false;
    }

private:
    xcb_connection_t* m_pConnection;
    bool m_bOk = false;
};

pid_t Start(const std::string& strProgram, std::vector<std::string> listEnv)
{
    std::vector<char*> envp;
    for (std::string& strEntry : listEnv)
        envp.push_back(strEntry.data());
    envp.push_back(nullptr);
    std::string strArg0 = strProgram;
    char* argv[] = {strArg0.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, strProgram.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    return pid;
}

void End(pid_t pid)
{
    kill(pid, SIGTERM);
    int iStatus = 0;
    for (int i = 0; i < 500 && waitpid(pid, &iStatus, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waitpid(pid, &iStatus, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &iStatus, 0);
    }
}

// Seconds from start to the first mapped window; negative when none came.
double StartUp(Display& display, const std::string& strProgram, const std::vector<std::string>& listEnv)
{
    display.Drain();
    const Clock::time_point started = Clock::now();
    const pid_t pid = Start(strProgram, listEnv);
    if (pid < 0)
        return -1;
    const bool bMapped = display.WaitForMap(30000);
    const double dSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    End(pid);
    return bMapped ? dSeconds : -1;
}

// CPU seconds (user and system) the process has used so far.
double CpuSeconds(pid_t pid)
{
    const std::string strPath = "/proc/" + std::to_string(pid) + "/stat";
    FILE* pFile = std::fopen(strPath.c_str(), "r");
    if (pFile == nullptr)
        return -1;
    char acLine[2048] = {};
    const size_t iRead = std::fread(acLine, 1, sizeof(acLine) - 1, pFile);
    std::fclose(pFile);
    acLine[iRead] = '\0';
    // Fields after "(name) ": state is the 3rd field, utime the 14th, stime the 15th.
    const char* pAfterName = std::strrchr(acLine, ')');
    unsigned long iUser = 0, iSystem = 0;
    if (pAfterName == nullptr
        || std::sscanf(pAfterName + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &iUser, &iSystem) != 2)
        return -1;
    return static_cast<double>(iUser + iSystem) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKiB(pid_t pid)
{
    const std::string strPath = "/proc/" + std::to_string(pid) + "/status";
    FILE* pFile = std::fopen(strPath.c_str(), "r");
    if (pFile == nullptr)
        return -1;
    long iKiB = -1;
    char acLine[256];
    while (std::fgets(acLine, sizeof(acLine), pFile) != nullptr) {
        if (std::strncmp(acLine, "VmRSS:", 6) == 0)
            iKiB = std::strtol(acLine + 6, nullptr, 10);
    }
    std::fclose(pFile);
    return iKiB;
}

} // namespace

int main(int argc, char** argv)
{
    long iRuns = 5;
    long iIdleSeconds = 10;
    BenchCommandLine commandLine(
        "Start-up to the first shown window of the program against a minimal Qt widget program (target: at most\n"
        "1.5 times as long, medians), then idle with the window open and no device: CPU time (target: below 1 %\n"
        "of one core) and resident memory (target: below 60 MB). Needs an X display: xvfb-run -a <this program>.");
    commandLine.AddInteger("--runs", &iRuns, 1, 100, "starts of each program; the median counts");
    commandLine.AddInteger("--idle-seconds", &iIdleSeconds, 1, 3600, "length of the idle measurement");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;

    Display display;
    if (!display.Ok()) {
        std::fprintf(stderr, "no X display: run it as  xvfb-run -a %s\n", argv[0]);
        return BenchCommandLine::iBadArgument;
    }
    char acRuntime[] = "/tmp/corvina-bench-window-XXXXXX";
    if (mkdtemp(acRuntime) == nullptr)
        return BenchCommandLine::iMissed;
    const std::vector<std::string> listEnv = ChildEnvironment(acRuntime);

    std::vector<double> listProgram, listMinimal;
    bool bOk = true;
    for (long i = 0; i < iRuns; ++i) {
        const double dMinimal = StartUp(display, CORVINA_MINIMAL_WIDGET, listEnv);
        const double dProgram = StartUp(display, CORVINA_PROGRAM, listEnv);
        bOk = bOk && dMinimal > 0 && dProgram > 0;
        listMinimal.push_back(dMinimal);
        listProgram.push_back(dProgram);
    }
    const double dRatio = BenchFigures::Median(listProgram) / BenchFigures::Median(listMinimal);
    std::printf("start-up to the first shown window, median of %ld\n", iRuns);
    std::printf("minimal Qt widget program   %7.0f ms\n", BenchFigures::Median(listMinimal) * 1000);
    std::printf("Corvina                     %7.0f ms\n", BenchFigures::Median(listProgram) * 1000);
    std::printf("ratio                       %7.2f    (target: at most 1.5)\n", dRatio);

    display.Drain();
    const pid_t pid = Start(CORVINA_PROGRAM, listEnv);
    bOk = bOk && pid > 0 && display.WaitForMap(30000);
    // Start-up work (fonts, the first paint) is over after a moment.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double dCpuBefore = CpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(iIdleSeconds));
    const double dCpuPercent = (CpuSeconds(pid) - dCpuBefore) * 100.0 / static_cast<double>(iIdleSeconds);
    const double dResidentMB = ResidentKiB(pid) * 1024.0 / 1e6;
    End(pid);
    bOk = bOk && dCpuBefore >= 0 && dResidentMB > 0;
    std::printf("\nidle over %ld s, window open, no device\n", iIdleSeconds);
    std::printf("CPU                         %7.2f %%  (target: below 1 %% of one core)\n", dCpuPercent);
    std::printf("resident memory             %7.1f MB (target: below 60 MB)\n", dResidentMB);
    std::filesystem::remove_all(acRuntime);

    const bool bMet = dRatio <= 1.5 && dCpuPercent < 1.0 && dResidentMB < 60.0;
    std::printf("%s\n", !bOk ? "A RUN FAILED" : bMet ? "targets met" : "TARGET MISSED");
    return bOk && bMet ? 0 : BenchCommandLine::iMissed;
}
