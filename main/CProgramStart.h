// What both programs (the window and the command line) do first: the program
// folder and the paths derived from it, the settings folder start-up was
// given, the tools' folder and the log library.
#ifndef CORVINA_CPROGRAMSTART_H
#define CORVINA_CPROGRAMSTART_H

class CProgramStart
{
public:
    // Sets g_qstrAppDirPath, g_baAppDirPath and the log file path from the
    // running executable, hands the program folder to the tools, and keeps the
    // settings in CORVINA_CONFIG_DIR when that is set (the demo's own folder).
    static void SetProgramPaths();

    // Loads the log library, trying twice; without it the program runs unlogged.
    static void LoadLogLibrary();
};

#endif
