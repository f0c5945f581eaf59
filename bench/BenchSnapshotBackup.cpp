// Two backups of an emulated device with the real idevicebackup2, through
// ThreadDeviceBackup with "copy only what changed" on, as the backup page
// starts it: the first into an empty root (a full backup), then a small
// change on the device (a file changed, one removed, one added), then the
// second, seeded from the first. Reports the second's wall time and the bytes
// the device sent against the first's, and the disk both sets take together
// (du -s over both folders at once, so shared files count once) against the
// first alone. Also times the seeding alone: a third set seeded from the
// second, then removed.
//
//   corvina_bench_snapshot_backup [--config FILE] [--repeat R]
#include "BenchCommandLine.h"
#include "BenchDeviceConfig.h"
#include "BenchFigures.h"
#include "CBackup.h"
#include "CSetSeed.h"
#include "CStaticPubFunc.h"
#include "CToolSettings.h"
#include "EmulatorProcess.h"
#include "SharedTypes.h"
#include "ThreadDeviceBackup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Backup
{
    bool bOk = false;
    double dWallSeconds = 0;
    qint64 iWireBytes = 0; // what the device sent
    QString qstrSet;
    structTransfer transfer;
    enumSeedRoad eiRoad = eiSeedRoad_Full;
};

Backup BackUp(EmulatorProcess& emulator, const QString& qstrUDID, const QString& qstrDeviceName,
              const QString& qstrRoot)
{
    Backup backup;
    const qint64 iWireBefore = emulator.Counter(qstrUDID, "bytes_sent");
    QElapsedTimer elapsed;
    elapsed.start();
    backup.qstrSet = CBackup::JoinPath(qstrRoot, CBackup::SetFolderName(QDateTime::currentDateTime(), qstrDeviceName));
    ThreadDeviceBackup thread;
    QEventLoop loop;
    int iResult = -1;
    QObject::connect(&thread, &ThreadDeviceBackup::signal_SwitchStatus_PrepareProgressResult, &loop,
                     [&](enumFormDeviceBackupRestoreStatus, int iReserve1) {
                         iResult = iReserve1;
                         loop.quit();
                     });
    thread.qstrDeviceUDID = qstrUDID;
    CStaticPubFunc::CreateMultiLevelDirectory(backup.qstrSet);
    thread.qstrBackupDirectory = backup.qstrSet;
    thread.bBackupPersonalData = true;
    thread.bCopyOnlyChanges = true;
    thread.StartRun();
    const bool bMarked = CBackup::WriteBackupFlag(backup.qstrSet, qstrUDID);
    loop.exec();
    thread.wait();
    backup.dWallSeconds = elapsed.nsecsElapsed() / 1e9;
    backup.bOk = iResult == 1 && bMarked;
    backup.iWireBytes = emulator.Counter(qstrUDID, "bytes_sent") - iWireBefore;
    backup.transfer = thread.Transfer();
    backup.eiRoad = thread.SeedRoad();
    return backup;
}

// Kilobytes du counts for each folder, all in one run: a file with several
// names in them counts once, for the first folder that holds it.
std::vector<qint64> DiskKiB(const QStringList& listFolders)
{
    QProcess du;
    du.start(QStringLiteral("du"), QStringList{QStringLiteral("-sk")} + listFolders);
    std::vector<qint64> listKiB;
    if (!du.waitForFinished(-1) || du.exitCode() != 0)
        return listKiB;
    for (const QByteArray& line : du.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            listKiB.push_back(line.split('\t').value(0).toLongLong());
    return listKiB;
}

// Milliseconds a seed of a new set from the newest one of the root takes; -1
// when it does not seed.
double SeedMsecs(const QString& qstrUDID, const QString& qstrRoot)
{
    const QString qstrSet = CBackup::JoinPath(qstrRoot, QStringLiteral("9999-seeded"));
    QDir().mkpath(qstrSet);
    const std::unique_ptr<FileLinkPlatform> platform = FileLinkPlatform::Create();
    QElapsedTimer elapsed;
    elapsed.start();
    const structSeedResult seed = CSetSeed(*platform).Seed(qstrSet, qstrUDID, eiDeviceEncryption_Unknown);
    const double dMsecs = elapsed.nsecsElapsed() / 1e6;
    QDir(qstrSet).removeRecursively();
    return seed.eiRoad == eiSeedRoad_Linked ? dMsecs : -1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string strConfig = CORVINA_SOURCE_DIR "/emulator/devices/demo.json";
    long iRepeat = 1;
    BenchCommandLine commandLine(
        "Two backups of the emulated device (the first of the configuration) through ThreadDeviceBackup with\n"
        "\"copy only what changed\" on, a small change on the device between them. Targets: the second backup\n"
        "takes at most 15 % of the first's wall time and 5 % of its bytes from the device, and both sets\n"
        "together at most 105 % of the first's disk (du -s over both at once).");
    commandLine.AddText("--config", &strConfig, "emulator device configuration");
    commandLine.AddInteger("--repeat", &iRepeat, 1, 20, "pairs of backups, each in a root of its own; the median counts");
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

    QTemporaryDir temporary;
    // An empty program folder: the tool is found on the search path.
    const QString qstrProgram = temporary.filePath(QStringLiteral("program"));
    QDir().mkpath(qstrProgram);
    CToolSettings::SetProgramFolder(qstrProgram);
    EmulatorProcess emulator;
    QString strErrorMessage;
    if (!emulator.Start({jsonDevice}, strErrorMessage)) {
        std::fprintf(stderr, "the emulator did not start: %s\n", qPrintable(strErrorMessage));
        return BenchCommandLine::iMissed;
    }

    std::vector<double> listTime, listWire, listDisk;
    bool bOk = true;
    for (long i = 0; i < iRepeat; ++i) {
        const QString qstrRoot = temporary.filePath(QStringLiteral("root%1").arg(i));
        QDir().mkpath(qstrRoot);
        const Backup first = BackUp(emulator, qstrUDID, qstrName, qstrRoot);
        // Set names carry the second: the second set must not take the first's.
        QThread::msleep(1100);
        const bool bChanged = emulator.Command(QStringLiteral("change_data"), qstrUDID,
                                               {{QStringLiteral("changed"), 1}, {QStringLiteral("removed"), 1},
                                                {QStringLiteral("added"), 1}});
        const Backup second = BackUp(emulator, qstrUDID, qstrName, qstrRoot);
        const std::vector<qint64> listBoth = DiskKiB({first.qstrSet, second.qstrSet});
        const std::vector<qint64> listFirst = DiskKiB({first.qstrSet});
        const bool bRun = first.bOk && second.bOk && bChanged && first.eiRoad == eiSeedRoad_Full
                          && second.eiRoad == eiSeedRoad_Linked && listBoth.size() == 2 && listFirst.size() == 1
                          && first.iWireBytes > 0;
        bOk = bOk && bRun;
        if (!bRun) {
            std::printf("run %ld failed\n", i + 1);
            continue;
        }
        listTime.push_back(second.dWallSeconds / first.dWallSeconds);
        listWire.push_back(double(second.iWireBytes) / double(first.iWireBytes));
        listDisk.push_back(double(listBoth[0] + listBoth[1]) / double(listFirst[0]));
        const double dSeedMsecs = SeedMsecs(qstrUDID, qstrRoot);
        std::printf("run %ld: first %.2f s, %.1f MB sent, %lld KiB on disk; second %.2f s, %.2f MB sent, "
                    "%lld KiB more on disk; the thread counted %.2f MB transferred of the set's %.1f MB; a seed alone "
                    "takes %.1f ms\n",
                    i + 1, first.dWallSeconds, first.iWireBytes / 1e6, static_cast<long long>(listFirst[0]),
                    second.dWallSeconds, second.iWireBytes / 1e6, static_cast<long long>(listBoth[1]),
                    second.transfer.iTransferredBytes / 1e6, second.transfer.iSetBytes / 1e6, dSeedMsecs);
        std::fflush(stdout);
    }
    if (listTime.empty()) {
        std::printf("A RUN FAILED\n");
        return BenchCommandLine::iMissed;
    }
    const double dTime = BenchFigures::Median(listTime);
    const double dWire = BenchFigures::Median(listWire);
    const double dDisk = BenchFigures::Median(listDisk);
    std::printf("\n%s, median of %zu\n", qPrintable(qstrName), listTime.size());
    std::printf("second backup's wall time   %6.1f %% of the first's   (target: at most 15 %%)\n", dTime * 100);
    std::printf("bytes from the device       %6.2f %% of the first's   (target: at most 5 %%)\n", dWire * 100);
    std::printf("disk of both sets           %6.1f %% of one set       (target: at most 105 %%)\n", dDisk * 100);
    const bool bMet = dTime <= 0.15 && dWire <= 0.05 && dDisk <= 1.05;
    std::printf("%s\n", !bOk ? "A RUN FAILED" : bMet ? "targets met" : "TARGET MISSED");
    return bOk && bMet ? 0 : BenchCommandLine::iMissed;
}
