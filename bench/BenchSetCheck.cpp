// The check of a backup set after a backup: CBackupSetCheck::Check over a
// generated unencrypted set of N manifest rows (and as many files, 1 KB
// each), on a warm cache: once with the files' sizes (the backup's check) and
// once without (the selection dialog's cheap part). Also reports the peak
// memory of the checking process, which must not grow with the manifest.
#include "BenchCommandLine.h"
#include "BenchFigures.h"
#include "CBackupSetCheck.h"
#include "ManifestWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

bool MakeSet(const QString& qstrData, long iRows, bool bFiles)
{
    QList<ManifestWriter::Row> listRows;
    listRows.reserve(iRows);
    const QByteArray record = ManifestWriter::Record(1024);
    for (long i = 0; i < iRows; ++i) {
        listRows.append({ManifestWriter::FileID(int(i)), 1, record});
        if (bFiles && !ManifestWriter::WriteFile(qstrData, listRows.last().fileID, 1024))
            return false;
    }
    return ManifestWriter::WriteManifest(QDir(qstrData).filePath(QStringLiteral("Manifest.db")), listRows)
           && ManifestWriter::WriteStatus(qstrData, QStringLiteral("finished"))
           && ManifestWriter::WriteManifestPlist(qstrData, false);
}

double MeasureMs(const QString& qstrData, bool bFiles, long iRows, bool& bOk)
{
    QElapsedTimer elapsed;
    elapsed.start();
    const std::clock_t cpuStart = std::clock();
    const structSetCheck result = CBackupSetCheck::Check(qstrData, bFiles);
    const double dMs = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
    std::fprintf(stderr, "  %s: %.0f ms, of which on the processor %.0f ms\n", bFiles ? "with sizes" : "cheap part", dMs,
                 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    bOk = bOk && result.eiState == eiSetState_Complete && result.iFileCount == iRows;
    return dMs;
}

} // namespace

int main(int argc, char** argv)
{
    long iRows = 100000;
    long iRepeat = 5;
    long iFiles = 1;
    BenchCommandLine commandLine(
        "Checking a backup set of N manifest rows and files after its backup, on a warm cache. Target: under 1 s\n"
        "(median) for 100,000 rows with the files' sizes.");
    commandLine.AddInteger("--rows", &iRows, 1, 2000000, "manifest rows (and files) of the set");
    commandLine.AddInteger("--files", &iFiles, 0, 1, "0: no files, only the cheap part is measured (memory of long manifests)");
    commandLine.AddInteger("--repeat", &iRepeat, 1, 1000, "measurements; the median counts");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;
    QTemporaryDir folder;
    const QString qstrData = folder.filePath(QStringLiteral("udid"));
    // The set is made by a child, so that the peak memory reported is the check's.
    const pid_t child = fork();
    if (child == 0)
        _exit(QDir().mkpath(qstrData) && MakeSet(qstrData, iRows, iFiles != 0) ? 0 : 1);
    int iStatus = 0;
    QCoreApplication application(argc, argv);
    if (child < 0 || waitpid(child, &iStatus, 0) != child || !WIFEXITED(iStatus) || WEXITSTATUS(iStatus) != 0) {
        std::fprintf(stderr, "the set could not be made in %s\n", qPrintable(qstrData));
        return BenchCommandLine::iMissed;
    }
    bool bOk = true;
    MeasureMs(qstrData, iFiles != 0, iRows, bOk); // warms the cache
    std::vector<double> listFiles;
    std::vector<double> listCheap;
    for (long i = 0; i < iRepeat; ++i) {
        if (iFiles != 0)
            listFiles.push_back(MeasureMs(qstrData, true, iRows, bOk));
        listCheap.push_back(MeasureMs(qstrData, false, iRows, bOk));
    }
    if (iFiles == 0)
        listFiles = listCheap;
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const double dMs = BenchFigures::Median(listFiles);
    std::printf("%ld rows checked %s, median of %ld: %.0f ms; without them: %.0f ms; peak memory %ld MB\n", iRows,
                iFiles != 0 ? "with their files' sizes" : "(no files: the cheap part only)", iRepeat, dMs,
                BenchFigures::Median(listCheap), usage.ru_maxrss / 1024);
    const bool bMet = dMs * 100000.0 / static_cast<double>(iRows) < 1000.0;
    std::printf("%s\n", !bOk ? "A CHECK FAILED" : bMet ? "target met" : "TARGET MISSED");
    return bOk && bMet ? 0 : BenchCommandLine::iMissed;
}
