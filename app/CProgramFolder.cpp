#include "CProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Absolute; empty when none was set. Written once at start-up, read after.
QString g_qstrSettingsFolder;
// Absolute; empty when none was set. Written before any operation starts.
QString g_qstrDeviceLockFolder;

} // namespace

void CProgramFolder::SetSettingsFolder(const QString& qstrFolder)
{
    g_qstrSettingsFolder = qstrFolder.isEmpty() ? QString() : QDir(qstrFolder).absolutePath();
}

bool CProgramFolder::IsWritable(const QString& qstrAppDirPath)
{
    return QFileInfo(qstrAppDirPath).isWritable();
}

QString CProgramFolder::LogFilePath(const QString& qstrAppDirPath)
{
    QString qstrBase = qstrAppDirPath;
    if (!IsWritable(qstrAppDirPath)) {
        const QString qstrData = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        if (!qstrData.isEmpty())
            qstrBase = qstrData;
    }
    return QDir::toNativeSeparators(qstrBase + QStringLiteral("/Log/Text/Corvina.log"));
}

QString CProgramFolder::SettingsFilePath(const QString& qstrAppDirPath)
{
    if (!g_qstrSettingsFolder.isEmpty()) {
        QDir().mkpath(g_qstrSettingsFolder);
        return QDir::toNativeSeparators(g_qstrSettingsFolder + QStringLiteral("/Corvina.ini"));
    }
    QString qstrBase = qstrAppDirPath;
    if (!IsWritable(qstrAppDirPath)) {
        const QString qstrConfig = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        if (!qstrConfig.isEmpty()) {
            QDir().mkpath(qstrConfig);
            qstrBase = qstrConfig;
        }
    }
    return QDir::toNativeSeparators(qstrBase + QStringLiteral("/Corvina.ini"));
}

QString CProgramFolder::DeviceLockFolder()
{
    if (!g_qstrDeviceLockFolder.isEmpty())
        return g_qstrDeviceLockFolder;
    QString qstrRuntime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (qstrRuntime.isEmpty())
        qstrRuntime = QDir::tempPath();
    return QDir(qstrRuntime).filePath(QStringLiteral("corvina"));
}

void CProgramFolder::SetDeviceLockFolder(const QString& qstrFolder)
{
    g_qstrDeviceLockFolder = qstrFolder.isEmpty() ? QString() : QDir(qstrFolder).absolutePath();
}
