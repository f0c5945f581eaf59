#include "Terminal.h"

#include <io.h>

bool Terminal::IsTerminal(int fd)
{
    return _isatty(fd) != 0;
}
