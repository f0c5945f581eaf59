// The emulated device a benchmark runs against: the first of an emulator
// configuration file (emulator/devices/*.json).
#ifndef CORVINA_BENCHDEVICECONFIG_H
#define CORVINA_BENCHDEVICECONFIG_H

#include <QJsonObject>

#include <string>

class BenchDeviceConfig
{
public:
    // The first device of the configuration; an empty object, after saying so
    // on standard error, when the file cannot be read or lists none.
    static QJsonObject FirstDevice(const std::string& strConfig);
};

#endif
