#include "CToolSettings.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

// Set at start-up and read by the workers; tests change it between runs.
QMutex g_mutexSettings;
QString g_qstrProgramFolder;

} // namespace

void CToolSettings::SetProgramFolder(const QString& qstrProgramFolder)
{
    const QMutexLocker locker(&g_mutexSettings);
    g_qstrProgramFolder = qstrProgramFolder;
}

QString CToolSettings::ProgramFolder()
{
    const QMutexLocker locker(&g_mutexSettings);
    return g_qstrProgramFolder;
}
