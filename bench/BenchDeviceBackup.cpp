// A backup of an emulated device with the real idevicebackup2: through
// ThreadDeviceBackup, started the way the backup page starts it (set folder
// named and made, thread started, marker written, result awaited on the event
// loop), against the same tool run alone on the same device with the same
// environment and its output to /dev/null. Runs alternate, so that a change
// in the machine's load touches both alike. Reports the median wall times,
// their ratio, and the CPU time this process (the program's own share: the
// thread and its event loop, not the tool) spent per GB backed up.
#include "BenchCommandLine.h"
#include "BenchDeviceConfig.h"
#include "BenchFigures.h"
#include "CBackup.h"
#include "CStaticPubFunc.h"
#include "CToolSettings.h"
#include "CToolStarter.h"
#include "EmulatorProcess.h"
#include "SharedTypes.h"
#include "ThreadDeviceBackup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <vector>

namespace {

struct Run
{
    bool bOk = false;
    double dWallSeconds = 0;
    double dCpuSeconds = 0; // this process only
    qint64 iBytes = 0;      // what the set folder holds afterwards
};

double CpuSecondsOfThisProcess()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 FolderBytes(const QString& qstrFolder)
{
    qint64 iBytes = 0;
    QDirIterator it(qstrFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        iBytes += it.fileInfo().size();
    }
    return iBytes;
}

Run ToolAlone(const QString& qstrUDID, const QString& qstrRoot)
{
    const QString qstrSet = CBackup::JoinPath(qstrRoot, QStringLiteral("alone"));
    CStaticPubFunc::CreateMultiLevelDirectory(qstrSet);
    QProcess tool;
    tool.setProcessEnvironment(CToolStarter::ToolEnvironment());
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer elapsed;
    elapsed.start();
    tool.start(CToolStarter::ProgramPath(CToolStarter::BackupToolName()),
               {QStringLiteral("-u"), qstrUDID, QStringLiteral("backup"), QStringLiteral("--full"), qstrSet});
    Run run;
    run.bOk = tool.waitForFinished(-1) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    run.dWallSeconds = elapsed.nsecsElapsed() / 1e9;
    run.iBytes = FolderBytes(qstrSet);
    QDir(qstrSet).removeRecursively();
    return run;
}

Run ThroughThread(const QString& qstrUDID, const QString& qstrDeviceName, const QString& qstrRoot)
{
    const double dCpuBefore = CpuSecondsOfThisProcess();
    QElapsedTimer elapsed;
    elapsed.start();
    // As the page does on Backup, personal data only.
    const QString qstrSet =
        CBackup::JoinPath(qstrRoot, CBackup::SetFolderName(QDateTime::currentDateTime(), qstrDeviceName));
    ThreadDeviceBackup thread;
    QEventLoop loop;
    int iResult = -1;
    int iProgressSignals = 0;
    QObject::connect(&thread, &ThreadDeviceBackup::signal_Progress, &loop, [&]() { ++iProgressSignals; });
    QObject::connect(&thread, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, &loop,
                     [&](enumFormDeviceBackupRestoreStatus, int iReserve1) {
                         iResult = iReserve1;
                         loop.quit();
                     });
    thread.qstrDeviceUDID = qstrUDID;
    CStaticPubFunc::CreateMultiLevelDirectory(qstrSet);
    thread.qstrBackupDirectory = qstrSet;
    thread.bBackupApps = false;
    thread.bBackupPersonalData = true;
    thread.StartRun();
    const bool bMarked = CBackup::WriteBackupFlag(qstrSet, qstrUDID);
    loop.exec();
    thread.wait();
    Run run;
    run.dWallSeconds = elapsed.nsecsElapsed() / 1e9;
    run.dCpuSeconds = CpuSecondsOfThisProcess() - dCpuBefore;
    run.bOk = iResult == 1 && bMarked && iProgressSignals > 0;
    run.iBytes = FolderBytes(qstrSet);
    QDir(qstrSet).removeRecursively();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    std::string strConfig = CORVINA_SOURCE_DIR "/emulator/devices/demo.json";
    long iRepeat = 3;
    BenchCommandLine commandLine(
        "A backup of the emulated device (the first of the configuration) with the real idevicebackup2: through\n"
        "ThreadDeviceBackup as the backup page starts it, against the tool alone. Target: median wall time of the\n"
        "thread within 2 % of the tool alone's. Also reported: CPU seconds of this process per GB backed up.");
    commandLine.AddText("--config", &strConfig, "emulator device configuration");
    commandLine.AddInteger("--repeat", &iRepeat, 1, 100, "backups of each kind; the median counts");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;

    QCoreApplication application(argc, argv);
    RegisterSharedMetaTypes();
    const QJsonObject jsonDevice = BenchDeviceConfig::FirstDevice(strConfig);
    if (jsonDevice.isEmpty())
        return BenchCommandLine::iBadArgument;
    const QString qstrUDID = jsonDevice[QStringLiteral("udid")].toString();
    const QString qstrName = jsonDevice[QStringLiteral("name")].toString(QStringLiteral("iPhone"));

    QTemporaryDir root;
    // An empty program folder: the tool is found on the search path.
    const QString qstrProgram = root.filePath(QStringLiteral("program"));
    QDir().mkpath(qstrProgram);
    CToolSettings::SetProgramFolder(qstrProgram);
    EmulatorProcess emulator;
    QString strErrorMessage;
    if (!emulator.Start({jsonDevice}, strErrorMessage)) {
        std::fprintf(stderr, "the emulator did not start: %s\n", qPrintable(strErrorMessage));
        return BenchCommandLine::iMissed;
    }

    std::vector<double> listAlone, listThread, listCpuPerGB;
    bool bOk = true;
    qint64 iBytes = 0;
    for (long i = 0; i < iRepeat; ++i) {
        const Run alone = ToolAlone(qstrUDID, root.path());
        const Run thread = ThroughThread(qstrUDID, qstrName, root.path());
        std::printf("run %ld: tool alone %.2f s, thread %.2f s (%.3f CPU s), %.0f MB\n", i + 1, alone.dWallSeconds,
                    thread.dWallSeconds, thread.dCpuSeconds, thread.iBytes / 1e6);
        std::fflush(stdout);
        bOk = bOk && alone.bOk && thread.bOk && thread.iBytes > 0;
        listAlone.push_back(alone.dWallSeconds);
        listThread.push_back(thread.dWallSeconds);
        listCpuPerGB.push_back(thread.dCpuSeconds / (thread.iBytes / 1e9));
        iBytes = thread.iBytes;
    }
    const double dRatio = BenchFigures::Median(listThread) / BenchFigures::Median(listAlone);
    std::printf("\n%s, %.0f MB per backup, median of %ld\n", qPrintable(qstrName), iBytes / 1e6, iRepeat);
    std::printf("tool alone            %8.2f s\n", BenchFigures::Median(listAlone));
    std::printf("through the thread    %8.2f s\n", BenchFigures::Median(listThread));
    std::printf("wall-time ratio       %8.3f   (target: at most 1.02)\n", dRatio);
    std::printf("CPU of this process   %8.3f s per GB backed up\n", BenchFigures::Median(listCpuPerGB));
    const bool bMet = dRatio <= 1.02;
    std::printf("%s\n", !bOk ? "A RUN FAILED" : bMet ? "target met" : "TARGET MISSED");
    return bOk && bMet ? 0 : BenchCommandLine::iMissed;
}
