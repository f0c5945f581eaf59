// One log line: through TEXTLOG and TextLogPrintf into the program's logging
// library, as every routine writes its Enter line, against the very bytes
// those lines became written with fwrite and a flush each. Both append to a
// file in the same folder. Reports the time per line of each and the ratio.
#include "AppGlobals.h"
#include "BenchCommandLine.h"
#include "BenchFigures.h"
#include "LogCallSite.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Nanoseconds per line of the program's own logging.
double ThroughTheLog(long iLines)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (long i = 0; i < iLines; ++i)
        TEXTLOG("Enter : qstrDeviceUDID : %s, iProgress : %ld", "00008120-001A4C3E0E81401E", i);
    return static_cast<double>(elapsed.nsecsElapsed()) / static_cast<double>(iLines);
}

// Nanoseconds per line of writing the same lines with fwrite and fflush.
double WithFwrite(const QList<QByteArray>& listLines, const QString& qstrPath)
{
    FILE* pFile = std::fopen(QFile::encodeName(qstrPath).constData(), "ab");
    if (pFile == nullptr)
        return -1;
    QElapsedTimer elapsed;
    elapsed.start();
    for (const QByteArray& baLine : listLines) {
        std::fwrite(baLine.constData(), 1, static_cast<size_t>(baLine.size()), pFile);
        std::fflush(pFile);
    }
    const double dNanoseconds = static_cast<double>(elapsed.nsecsElapsed()) / static_cast<double>(listLines.size());
    std::fclose(pFile);
    return dNanoseconds;
}

// The lines of a log file: each begins with its own "\r\n".
QList<QByteArray> LinesOf(const QString& qstrPath)
{
    QFile file(qstrPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray baText = file.readAll();
    QList<QByteArray> listLines;
    for (qsizetype iAt = baText.indexOf("\r\n"); iAt >= 0;) {
        const qsizetype iNext = baText.indexOf("\r\n", iAt + 2);
        listLines.append(baText.mid(iAt, iNext < 0 ? -1 : iNext - iAt));
        iAt = iNext;
    }
    return listLines;
}

} // namespace

int main(int argc, char** argv)
{
    long iLines = 100000;
    long iRepeat = 5;
    BenchCommandLine commandLine(
        "One log line through TEXTLOG/TextLogPrintf and the logging library, against the same bytes written\n"
        "with fwrite and fflush. Target: at most 3 times as long per line (medians).");
    commandLine.AddInteger("--lines", &iLines, 1, 100000000, "lines per measurement");
    commandLine.AddInteger("--repeat", &iRepeat, 1, 1000, "measurements of each; the median counts");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;

    QTemporaryDir folder;
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    QString strErrorMessage;
    if (!g_CDllTextLogQT.InitDataDll(strErrorMessage)) {
        std::fprintf(stderr, "the logging library did not load: %s\n", qPrintable(strErrorMessage));
        return BenchCommandLine::iMissed;
    }
    std::vector<double> listLog, listFwrite;
    for (long i = 0; i < iRepeat; ++i) {
        const QString qstrLog = folder.filePath(QStringLiteral("log%1.log").arg(i));
        g_baLogFilePath = QFile::encodeName(qstrLog);
        listLog.push_back(ThroughTheLog(iLines));
        const QList<QByteArray> listLines = LinesOf(qstrLog);
        if (listLines.size() != iLines) {
            std::fprintf(stderr, "%lld lines were logged, not %ld\n", static_cast<long long>(listLines.size()), iLines);
            return BenchCommandLine::iMissed;
        }
        listFwrite.push_back(WithFwrite(listLines, folder.filePath(QStringLiteral("fwrite%1.log").arg(i))));
        QFile::remove(qstrLog);
    }
    const double dRatio = BenchFigures::Median(listLog) / BenchFigures::Median(listFwrite);
    std::printf("one log line, median of %ld x %ld lines\n", iRepeat, iLines);
    std::printf("TEXTLOG / TextLogPrintf     %8.0f ns\n", BenchFigures::Median(listLog));
    std::printf("fwrite + fflush, same bytes %8.0f ns\n", BenchFigures::Median(listFwrite));
    std::printf("ratio                       %8.2f    (target: at most 3)\n", dRatio);
    const bool bMet = dRatio <= 3.0;
    std::printf("%s\n", bMet ? "target met" : "TARGET MISSED");
    return bMet ? 0 : BenchCommandLine::iMissed;
}
