// Where the program keeps its own files. Normally everything lives in the
// program folder; an installed copy whose folder cannot be written keeps its
// log and settings in the user's folders instead.
#ifndef CORVINA_CPROGRAMFOLDER_H
#define CORVINA_CPROGRAMFOLDER_H

#include <QString>

class CProgramFolder
{
public:
    // The log file for a program folder, with native separators.
    static QString LogFilePath(const QString& qstrAppDirPath);

    // The settings file "Corvina.ini" for a program folder.
    static QString SettingsFilePath(const QString& qstrAppDirPath);

private:
    static bool IsWritable(const QString& qstrAppDirPath);
};

#endif
