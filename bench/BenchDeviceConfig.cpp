#include "BenchDeviceConfig.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

#include <cstdio>

QJsonObject BenchDeviceConfig::FirstDevice(const std::string& strConfig)
{
    QFile configFile(QString::fromStdString(strConfig));
    const QJsonArray devices = configFile.open(QIODevice::ReadOnly)
                                   ? QJsonDocument::fromJson(configFile.readAll())[QStringLiteral("devices")].toArray()
                                   : QJsonArray();
    if (devices.isEmpty()) {
        std::fprintf(stderr, "no device in %s\n", strConfig.c_str());
        return QJsonObject();
    }
    return devices.first().toObject();
}
