#include "Terminal.h"

#include <unistd.h>

bool Terminal::IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}
