#include "Terminal.h"

#include <termios.h>
#include <unistd.h>

bool Terminal::IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

bool Terminal::SetEcho(int fd, bool bOn)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    if (bOn)
        settings.c_lflag |= ECHO;
    else
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}
