// Where the program keeps its own files. Normally everything lives in the
// program folder; an installed copy whose folder cannot be written keeps its
// log and settings in the user's folders instead. Start-up may name another
// folder for the settings (the demo does, to keep out of the user's own).
#ifndef CORVINA_CPROGRAMFOLDER_H
#define CORVINA_CPROGRAMFOLDER_H

#include <QString>

class CProgramFolder
{
public:
    // The log file for a program folder, with native separators.
    static QString LogFilePath(const QString& qstrAppDirPath);

    // The settings file "Corvina.ini" for a program folder; in the settings
    // folder when one was set (the folder is made when missing).
    static QString SettingsFilePath(const QString& qstrAppDirPath);

    // Keeps the settings in qstrFolder (relative to the current folder);
    // empty: the usual place. Called once at start-up, before any thread
    // asks for the settings file.
    static void SetSettingsFolder(const QString& qstrFolder);

    // Where the per-device lock files of running operations live, shared by
    // every window and command of the user: "corvina" in the user's runtime
    // folder ($XDG_RUNTIME_DIR, else Qt's private fallback under the temporary
    // folder), or the folder set with SetDeviceLockFolder().
    static QString DeviceLockFolder();

    // Keeps the lock files in qstrFolder; empty: the usual place. Called
    // before any operation starts (tests use a folder of their own).
    static void SetDeviceLockFolder(const QString& qstrFolder);

private:
    static bool IsWritable(const QString& qstrAppDirPath);
};

#endif
