#include "LogCallSite.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

QByteArray LogTimeText()
{
    // The C library's reentrant local time learns the time zone once. Qt's
    // clock has it read again on every call, which costs a look at the time
    // zone file for each log line, more than writing the line itself.
    const std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
    const long long iMilliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(iMilliseconds / 1000);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(iMilliseconds % 1000));
    return QByteArray(text);
}

const char* LogFileName(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    return name;
}

QByteArray LogRoutineName(const char* signature)
{
    // The routine's name ends at the first '(' outside template brackets; the
    // return type, if any, stands before the last blank in front of it.
    const QByteArray text(signature);
    int depth = 0;
    int end = text.size();
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '<')
            ++depth;
        else if (c == '>' && depth > 0)
            --depth;
        else if (c == '(' && depth == 0) {
            end = i;
            break;
        }
    }
    int begin = 0;
    depth = 0;
    for (int i = end - 1; i >= 0; --i) {
        const char c = text.at(i);
        if (c == '>')
            ++depth;
        else if (c == '<' && depth > 0)
            --depth;
        else if (c == ' ' && depth == 0) {
            begin = i + 1;
            break;
        }
    }
    QByteArray name = text.mid(begin, end - begin);
    while (name.startsWith('*') || name.startsWith('&'))
        name.remove(0, 1);
    // Routines in an unnamed namespace are logged by their class alone.
    name.replace("{anonymous}::", "");
    return name;
}
