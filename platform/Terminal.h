// Whether the program's standard streams are a terminal: the command line
// then draws a progress line in place and may ask the user a question.
// Kept free of Qt types.
#ifndef CORVINA_TERMINAL_H
#define CORVINA_TERMINAL_H

class Terminal
{
public:
    // fd 0, 1 or 2; any thread.
    static bool IsTerminal(int fd);
    // Turns the echo of typed characters on a terminal's input off (for a
    // password) or back on; false when fd is no terminal or it cannot be set.
    static bool SetEcho(int fd, bool bOn);
};

#endif
