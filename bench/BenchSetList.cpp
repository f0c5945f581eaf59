// Listing a backup root of many sets and filling the selection dialog with
// them: dialogBackupSelect::InitBackupList over a root of N set folders (each
// with its BackupFlag.ini), with the program's log written as in the program,
// until the dialog has been shown and painted once.
#include "AppGlobals.h"
#include "BenchCommandLine.h"
#include "BenchFigures.h"
#include "CBackup.h"
#include "CDllTextLogQT.h"
#include "dialogBackupSelect.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

bool MakeSets(const QString& qstrRoot, long iSets)
{
    const QDateTime first = QDateTime(QDate(2024, 1, 1), QTime(9, 0));
    for (long i = 0; i < iSets; ++i) {
        const QString qstrSet = CBackup::JoinPath(
            qstrRoot, CBackup::SetFolderName(first.addSecs(i * 61), QStringLiteral("iPhone %1").arg(i % 7)));
        if (!QDir().mkpath(qstrSet) || !CBackup::WriteBackupFlag(qstrSet, QStringLiteral("00008120-001A4C3E0E81401E")))
            return false;
    }
    return true;
}

// Milliseconds from the start of the listing to the filled dialog shown; the
// rows it shows.
double ListAndFill(const QString& qstrRoot, int& iRows)
{
    QElapsedTimer elapsed;
    elapsed.start();
    dialogBackupSelect dialog;
    dialog.qstrBackupRootDirectory = qstrRoot;
    dialog.InitBackupList();
    dialog.show();
    QApplication::processEvents();
    const double dMs = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
    iRows = dialog.findChild<QListWidget*>(QStringLiteral("listWidgetBackup"))->count();
    return dMs;
}

} // namespace

int main(int argc, char** argv)
{
    long iSets = 10000;
    long iRepeat = 5;
    BenchCommandLine commandLine(
        "Listing a backup root of N sets and filling the backup selection dialog, until it is shown. Target: under\n"
        "300 ms (median) for 10,000 sets. Runs offscreen unless QT_QPA_PLATFORM says otherwise.");
    commandLine.AddInteger("--sets", &iSets, 1, 1000000, "set folders in the root");
    commandLine.AddInteger("--repeat", &iRepeat, 1, 1000, "measurements; the median counts");
    const int iParsed = commandLine.Parse(argc, argv);
    if (iParsed >= 0)
        return iParsed;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir folder;
    const QString qstrRoot = folder.filePath(QStringLiteral("backups"));
    if (!MakeSets(qstrRoot, iSets)) {
        std::fprintf(stderr, "the sets could not be made in %s\n", qPrintable(qstrRoot));
        return BenchCommandLine::iMissed;
    }
    // The log as the program writes it: every set name goes to it.
    g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
    g_baLogFilePath = QFile::encodeName(folder.filePath(QStringLiteral("Corvina.log")));
    QString strErrorMessage;
    const bool bLogged = g_CDllTextLogQT.InitDataDll(strErrorMessage);

    std::vector<double> listMs;
    bool bOk = bLogged;
    for (long i = 0; i < iRepeat; ++i) {
        int iRows = 0;
        listMs.push_back(ListAndFill(qstrRoot, iRows));
        bOk = bOk && iRows == iSets;
    }
    const double dMs = BenchFigures::Median(listMs);
    std::printf("%ld sets listed and shown in the selection dialog, median of %ld: %.0f ms (target: under 300 ms%s)\n",
                iSets, iRepeat, dMs, iSets == 10000 ? "" : " for 10,000");
    const bool bMet = dMs * 10000.0 / static_cast<double>(iSets) < 300.0;
    std::printf("%s\n", !bOk ? "A RUN FAILED" : bMet ? "target met" : "TARGET MISSED");
    return bOk && bMet ? 0 : BenchCommandLine::iMissed;
}
