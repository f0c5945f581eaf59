#include "LogCallSite.h"

#include <QTime>

#include <cstring>

QByteArray LogTimeText()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")).toLocal8Bit();
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
