// Stands in for idevicebackup2 in the benchmark: a backup that streams about
// CORVINA_BENCH_MEGABYTES (default 4) of per-file progress output as fast as
// it can be written, with the overall "NN% Finished" lines in between, as the
// real tool prints them. Plain C++ free of Qt and of sanitizer runtimes.
#include <cstdio>
#include <cstdlib>

namespace {

// The overall percentages of a run; 99.6 prints as 100, so " 100% Finished" comes twice.
const double adOverall[] = {2.6, 11.8, 25.0, 41.7, 60.2, 77.4, 91.0, 99.6, 100.0};
const long iOverallCount = sizeof(adOverall) / sizeof(adOverall[0]);

void PrintBar(double dProgress)
{
    std::printf("\r[");
    for (int i = 0; i < 50; ++i)
        std::printf("%c", i < dProgress / 2 ? '=' : ' ');
    std::printf("] %3.0f%%", dProgress);
}

} // namespace

int main()
{
    const char* szMegabytes = std::getenv("CORVINA_BENCH_MEGABYTES");
    const long iBytes = (szMegabytes != nullptr ? std::strtol(szMegabytes, nullptr, 10) : 4) * 1000L * 1000L;
    const long iLines = iBytes / 80;
    const long iLinesPerOverall = iLines / iOverallCount + 1;
    long iOverall = 0;
    for (long iLine = 0; iLine < iLines; ++iLine) {
        // Per-file progress is flushed at every update.
        const double dProgress = static_cast<double>(iLine % 100);
        PrintBar(dProgress);
        std::printf(" (%.1f MB/%.1f MB)     ", dProgress * 0.1, 10.0);
        std::fflush(stdout);
        if (iLine % iLinesPerOverall == iLinesPerOverall - 1 && iOverall < iOverallCount) {
            PrintBar(adOverall[iOverall++]);
            std::printf(" Finished\n");
        }
    }
    while (iOverall < iOverallCount) {
        PrintBar(adOverall[iOverall++]);
        std::printf(" Finished\n");
    }
    std::printf("Received %ld files from device.\nBackup Successful.\n", iLines / 100);
    return 0;
}
