// What the tool runs take from start-up: the program folder, where a tool
// that lies beside the program is preferred over one on the search path.
// The entry point sets it once, before any worker thread starts; every tool
// start reads it, from any thread. Until it is set the tools come from the
// search path alone.
#ifndef CORVINA_CTOOLSETTINGS_H
#define CORVINA_CTOOLSETTINGS_H

#include <QString>

class CToolSettings
{
public:
    // qstrProgramFolder: the folder of the program, without a trailing separator.
    static void SetProgramFolder(const QString& qstrProgramFolder);
    static QString ProgramFolder();
};

#endif
