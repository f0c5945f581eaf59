#include "Terminal.h"

#include <io.h>
#include <windows.h>

bool Terminal::IsTerminal(int fd)
{
    return _isatty(fd) != 0;
}

bool Terminal::SetEcho(int fd, bool bOn)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD dwMode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &dwMode))
        return false;
    dwMode = bOn ? (dwMode | ENABLE_ECHO_INPUT) : (dwMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    return SetConsoleMode(handle, dwMode) != 0;
}
