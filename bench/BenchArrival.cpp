// Device arrival, seen by the user: the emulated device is plugged in (the
// emulator's "attach" answered) and the window, with the real driver
// libraries, reads its values and shows the home page's Backup and Restore
// buttons. Then the device is unplugged and the home page goes back to its
// waiting state before the next round. Reports the latency of each round.
#include "AppGlobals.h"
#include "BenchCommandLine.h"
#include "BenchDeviceConfig.h"
#include "BenchFigures.h"
#include "Corvina.h"
#include "EmulatorProcess.h"
#include "SharedTypes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Waits, with the event loop running, until the widget's visibility is as
// asked; milliseconds since the timer started, or -1 after the timeout.
double WaitVisible(const QWidget* widget, bool bVisible, const QElapsedTimer& elapsed, int iTimeoutMs)
{
    while (widget->isVisible() != bVisible) {
        if (elapsed.elapsed() > iTimeoutMs)
            return -1;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    std::string strConfig = CORVINA_SOURCE_DIR "/emulator/devices/demo.json";
    long iRounds = 10;
    long iTargetMs = 2000;
    BenchCommandLine commandLine(
        "Latency from plugging the emulated device in (the first of the configuration) to the home page showing\n"
        "Backup and Restore, in the window with the real driver libraries. Target: median below --target-ms.\n"
        "Runs offscreen unless QT_QPA_PLATFORM says otherwise.");
    commandLine.AddText("--config", &strConfig, "emulator device configuration");
    commandLine.AddInteger("--rounds", &iRounds, 1, 1000, "plug-ins measured; the median counts");
    commandLine.AddInteger("--target-ms", &iTargetMs, 1, 600000, "latency target in milliseconds");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;

    QTemporaryDir folder;
    // A runtime folder of its own: no other running copy counts as the first instance.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.filePath(QStringLiteral("runtime"))));
    QDir().mkpath(folder.filePath(QStringLiteral("runtime")));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    RegisterSharedMetaTypes();

    QJsonObject jsonDevice = BenchDeviceConfig::FirstDevice(strConfig);
    if (jsonDevice.isEmpty())
        return BenchCommandLine::iBadArgument;
    jsonDevice.insert(QStringLiteral("attached"), false);
    const QString qstrUDID = jsonDevice[QStringLiteral("udid")].toString();
    EmulatorProcess emulator;
    QString strErrorMessage;
    if (!emulator.Start({jsonDevice}, strErrorMessage)) {
        std::fprintf(stderr, "the emulator did not start: %s\n", qPrintable(strErrorMessage));
        return BenchCommandLine::iMissed;
    }
    // A program folder with the driver libraries, and the window as start-up makes it.
    g_qstrAppDirPath = folder.filePath(QStringLiteral("program"));
    QDir().mkpath(g_qstrAppDirPath);
    for (const char* szLibrary : {"libCoreFoundation.so", "libiTunesMobileDevice.so"})
        QFile::link(QStringLiteral(CORVINA_PROGRAM_DIR "/") + QLatin1String(szLibrary),
                    g_qstrAppDirPath + QLatin1Char('/') + QLatin1String(szLibrary));
    // The library calls the window's handler until the process ends: the window lives as long.
    auto* window = new Corvina;
    window->resize(959, 601);
    window->show();
    const QWidget* buttons = window->findChild<QWidget*>(QStringLiteral("widgetBackupRestore"));
    if (buttons == nullptr)
        return BenchCommandLine::iMissed;

    // Until a device first comes and goes the page shows both of its states:
    // a round that is not counted brings it to the waiting state.
    std::vector<double> listMs;
    bool bOk = true;
    for (long i = 0; i <= iRounds && bOk; ++i) {
        QElapsedTimer elapsed;
        elapsed.start();
        bOk = emulator.Command(QStringLiteral("attach"), qstrUDID);
        const double dMs = WaitVisible(buttons, true, elapsed, 30000);
        bOk = bOk && dMs >= 0;
        if (i > 0) {
            listMs.push_back(dMs);
            std::printf("round %ld: %.0f ms\n", i, dMs);
            std::fflush(stdout);
        }
        bOk = bOk && emulator.Command(QStringLiteral("detach"), qstrUDID) && WaitVisible(buttons, false, elapsed, 30000) >= 0;
    }
    emulator.Stop();
    if (!bOk) {
        std::printf("A RUN FAILED\n");
        std::_Exit(BenchCommandLine::iMissed);
    }
    const double dMedian = BenchFigures::Median(listMs);
    std::printf("device arrival to Backup and Restore shown, median of %ld: %.0f ms (fastest %.0f, slowest %.0f; "
                "target: below %ld ms)\n",
                iRounds, dMedian, *std::min_element(listMs.begin(), listMs.end()),
                *std::max_element(listMs.begin(), listMs.end()), iTargetMs);
    const bool bMet = dMedian < static_cast<double>(iTargetMs);
    std::printf("%s\n", bMet ? "target met" : "TARGET MISSED");
    // The driver library's threads run on: end without tearing down under them.
    std::fflush(stdout);
    std::_Exit(bMet ? 0 : BenchCommandLine::iMissed);
}
