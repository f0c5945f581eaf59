#include "CProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
