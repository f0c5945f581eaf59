// Measures what following idevicebackup2 costs: ThreadDeviceBackup runs a
// stand-in tool streaming megabytes of progress output, and the same tool runs
// alone with its output to /dev/null. Each is measured as a child process:
// wall time from start to wait4, and peak resident memory as the child's
// VmHWM (/proc/PID/status), sampled while it runs. (wait4's ru_maxrss would
// also count the memory of this process, which a spawned child shares until
// it executes its program.) Reports the wall-time ratio, and the peak memory
// of the thread's process at a tenth of the output and at all of it: it must
// not grow with the output.
//
// For comparison, a third run sends the tool's output through a pipe to a
// plain reader that blocks in read() (1 MiB at a time) and drops what it
// reads: what a pipe and a reader cost the tool without any processing.
//
//   corvina_bench_backup [--megabytes N] [--repeat R]
#include "CToolSettings.h"
#include "BenchCommandLine.h"
#include "BenchFigures.h"
#include "CToolStarter.h"
#include "SharedTypes.h"
#include "ThreadDeviceBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char szUdid[] = "00008101-000A1B2C3D4E5F60";

struct Measurement
{
    bool bOk = false;
    double dWallSeconds = 0;
    long iPeakRssKiB = 0;
};

// The peak resident memory of the process's current program, in KiB; 0 when
// it cannot be read (the process has ended).
long ReadPeakRssKiB(pid_t pid)
{
    char szPath[64];
    std::snprintf(szPath, sizeof(szPath), "/proc/%d/status", static_cast<int>(pid));
    FILE* pFile = std::fopen(szPath, "r");
    if (pFile == nullptr)
        return 0;
    long iKiB = 0;
    char szLine[256];
    while (std::fgets(szLine, sizeof(szLine), pFile) != nullptr) {
        if (std::strncmp(szLine, "VmHWM:", 6) == 0)
            iKiB = std::strtol(szLine + 6, nullptr, 10);
    }
    std::fclose(pFile);
    return iKiB;
}

std::vector<char*> CStrings(std::vector<std::string>& listTexts)
{
    std::vector<char*> listPointers;
    for (std::string& strText : listTexts)
        listPointers.push_back(strText.data());
    listPointers.push_back(nullptr);
    return listPointers;
}

enum enumOutput { eiOutput_Inherited, eiOutput_DevNull, eiOutput_PipeReader };

// Reads the pipe to its end and drops what it reads.
void DrainPipe(int iFd)
{
    static char acBuffer[1 << 20];
    while (read(iFd, acBuffer, sizeof(acBuffer)) > 0) {
    }
    close(iFd);
}

// Starts the program with its standard output as asked and waits for it,
// timing it and sampling its peak memory.
Measurement Spawn(std::vector<std::string> listArgs, std::vector<std::string> listEnv, enumOutput enumOutputThis)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int aiPipe[2] = {-1, -1};
    if (enumOutputThis == eiOutput_DevNull)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (enumOutputThis == eiOutput_PipeReader && pipe2(aiPipe, O_CLOEXEC) == 0)
        posix_spawn_file_actions_adddup2(&actions, aiPipe[1], STDOUT_FILENO);
    std::vector<char*> argv = CStrings(listArgs);
    std::vector<char*> envp = CStrings(listEnv);
    Measurement measurement;
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int iSpawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    std::thread reader;
    if (aiPipe[1] >= 0) {
        close(aiPipe[1]);
        reader = std::thread(DrainPipe, aiPipe[0]);
    }
    if (iSpawned != 0) {
        if (reader.joinable())
            reader.join();
        return measurement;
    }
    // The high-water mark only rises; the last reading before the end holds.
    std::atomic<bool> bEnded{false};
    std::atomic<long> iPeakKiB{0};
    std::thread sampler([&] {
        while (!bEnded.load()) {
            iPeakKiB.store(std::max(iPeakKiB.load(), ReadPeakRssKiB(pid)));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    int iStatus = 0;
    rusage usage {};
    wait4(pid, &iStatus, 0, &usage);
    if (reader.joinable())
        reader.join();
    measurement.dWallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    bEnded.store(true);
    sampler.join();
    measurement.iPeakRssKiB = iPeakKiB.load();
    measurement.bOk = WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0;
    return measurement;
}

std::vector<std::string> Environment(const QProcessEnvironment& environment, long iMegabytes)
{
    QProcessEnvironment withScenario = environment;
    withScenario.insert(QStringLiteral("CORVINA_BENCH_MEGABYTES"), QString::number(iMegabytes));
    std::vector<std::string> listEnv;
    for (const QString& qstrEntry : withScenario.toStringList())
        listEnv.push_back(qstrEntry.toLocal8Bit().toStdString());
    return listEnv;
}

std::string StandInTool()
{
    return std::string(CORVINA_BENCH_TOOL_DIR) + "/idevicebackup2";
}

// The tool alone, in the environment the thread gives it (line buffering).
Measurement MeasureToolAlone(long iMegabytes, const std::string& strSetDir, enumOutput enumOutputThis)
{
    return Spawn({StandInTool(), "-u", szUdid, "backup", "--full", strSetDir},
                 Environment(CToolStarter::ToolEnvironment(), iMegabytes), enumOutputThis);
}

Measurement MeasureThread(const std::string& strSelf, long iMegabytes, const std::string& strSetDir)
{
    return Spawn({strSelf, "--thread-child", strSetDir},
                 Environment(QProcessEnvironment::systemEnvironment(), iMegabytes), eiOutput_Inherited);
}

// What the stand-in tool would leave for the set check: an encrypted set
// without files, the smallest one it takes.
bool WriteSoundSet(const QString& qstrDataFolder)
{
    const QList<QPair<QString, QByteArray>> listFiles{
        {QStringLiteral("Manifest.db"), "x"},
        {QStringLiteral("Status.plist"), "<plist><dict><key>SnapshotState</key><string>finished</string></dict></plist>"},
        {QStringLiteral("Manifest.plist"), "<plist><dict><key>IsEncrypted</key><true/></dict></plist>"}};
    bool bOk = QDir().mkpath(qstrDataFolder);
    for (const auto& file : listFiles) {
        QFile out(QDir(qstrDataFolder).filePath(file.first));
        bOk = bOk && out.open(QIODevice::WriteOnly) && out.write(file.second) == file.second.size();
    }
    return bOk;
}

// Child: one backup of personal data through ThreadDeviceBackup.
int RunThreadChild(int argc, char** argv, const char* szSetDir)
{
    QCoreApplication application(argc, argv);
    RegisterSharedMetaTypes();
    CToolSettings::SetProgramFolder(QStringLiteral(CORVINA_BENCH_TOOL_DIR));
    ThreadDeviceBackup thread;
    thread.qstrDeviceUDID = QString::fromLatin1(szUdid);
    thread.qstrBackupDirectory = QString::fromLocal8Bit(szSetDir);
    thread.bBackupPersonalData = true;
    if (!WriteSoundSet(QDir(thread.qstrBackupDirectory).filePath(thread.qstrDeviceUDID)))
        return 1;
    int iResult = -1;
    QObject::connect(
        &thread, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, &thread,
        [&iResult](enumFormDeviceBackupRestoreStatus, int iReserve1) { iResult = iReserve1; }, Qt::DirectConnection);
    thread.start(QThread::InheritPriority);
    thread.wait();
    return iResult == 1 ? 0 : 1;
}

struct Series
{
    std::vector<double> listWall;
    long iPeakRssKiB = 0;
    bool bOk = true;

    void Add(const Measurement& measurement)
    {
        listWall.push_back(measurement.dWallSeconds);
        iPeakRssKiB = std::max(iPeakRssKiB, measurement.iPeakRssKiB);
        bOk = bOk && measurement.bOk;
    }
};

void PrintRow(const char* szName, const Series& series)
{
    std::printf("%-42s %9.3f %14.1f %s\n", szName, BenchFigures::Median(series.listWall), series.iPeakRssKiB / 1024.0,
                series.bOk ? "" : "  (run failed)");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--thread-child") == 0)
        return RunThreadChild(argc, argv, argv[2]);

    long iMegabytes = 100;
    long iRepeat = 3;
    BenchCommandLine commandLine(
        "Following idevicebackup2's output: ThreadDeviceBackup runs a stand-in tool that streams N megabytes of\n"
        "progress output, against the same tool alone with its output to /dev/null. Targets: wall-time ratio\n"
        "below 1.02; peak resident memory of the thread's process at N MB within 4 MiB (two passes' text) of that\n"
        "at N/10 MB.");
    commandLine.AddInteger("--megabytes", &iMegabytes, 1, 100000, "progress output of the stand-in tool, in MB");
    commandLine.AddInteger("--repeat", &iRepeat, 1, 1000, "runs of each kind; the median counts");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;
    QTemporaryDir setDir;
    const std::string strSetDir = setDir.path().toLocal8Bit().toStdString();
    const std::string strSelf = argv[0];
    const long iSmall = std::max(1L, iMegabytes / 10);

    Series toolAlone;
    Series toolPiped;
    Series thread;
    Series threadSmall;
    // Interleaved, so that a change in the machine's load touches all alike.
    for (long i = 0; i < iRepeat; ++i) {
        toolAlone.Add(MeasureToolAlone(iMegabytes, strSetDir, eiOutput_DevNull));
        toolPiped.Add(MeasureToolAlone(iMegabytes, strSetDir, eiOutput_PipeReader));
        thread.Add(MeasureThread(strSelf, iMegabytes, strSetDir));
        threadSmall.Add(MeasureThread(strSelf, iSmall, strSetDir));
    }

    std::printf("Progress output of the stand-in idevicebackup2: %ld MB (and %ld MB); median of %ld runs\n", iMegabytes,
                iSmall, iRepeat);
    std::printf("line buffering library: %s\n\n",
                CToolStarter::LineBufferLibrary().isEmpty() ? "(none)"
                                                            : qPrintable(CToolStarter::LineBufferLibrary()));
    std::printf("%-42s %9s %14s\n", "", "wall s", "peak RSS MiB");
    PrintRow("tool alone, output to /dev/null", toolAlone);
    PrintRow("tool, output piped to a plain reader", toolPiped);
    PrintRow("ThreadDeviceBackup following the tool", thread);
    char szSmallName[64];
    std::snprintf(szSmallName, sizeof(szSmallName), "ThreadDeviceBackup, %ld MB of output", iSmall);
    PrintRow(szSmallName, threadSmall);
    const double dRatio = BenchFigures::Median(thread.listWall) / BenchFigures::Median(toolAlone.listWall);
    std::printf("\nwall-time ratio (thread / tool alone): %.3f  (target: below 1.02)\n", dRatio);
    std::printf("wall-time ratio (thread / tool piped to a plain reader): %.3f\n",
                BenchFigures::Median(thread.listWall) / BenchFigures::Median(toolPiped.listWall));
    const double dGrowthMiB = (thread.iPeakRssKiB - threadSmall.iPeakRssKiB) / 1024.0;
    std::printf("peak RSS of the thread's process, %ld MB vs %ld MB of output: %+.1f MiB  (target: below 4 MiB)\n",
                iMegabytes, iSmall, dGrowthMiB);
    const bool bRan = toolAlone.bOk && toolPiped.bOk && thread.bOk && threadSmall.bOk;
    const bool bMet = dRatio < 1.02 && dGrowthMiB < 4.0;
    std::printf("%s\n", !bRan ? "A RUN FAILED" : bMet ? "targets met" : "TARGET MISSED");
    return bRan && bMet ? 0 : BenchCommandLine::iMissed;
}
