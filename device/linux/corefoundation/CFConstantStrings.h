// The strings of __CFStringMakeConstantString: one immortal object per text,
// so the same text always gives the same reference. Safe from any thread.
#ifndef CORVINA_CFCONSTANTSTRINGS_H
#define CORVINA_CFCONSTANTSTRINGS_H

#include "CFStringObject.h"

#include <map>
#include <mutex>
#include <string>

class CFConstantStrings
{
public:
    // Text in UTF-8; bytes that are not UTF-8 are read as Latin-1.
    static const CFStringObject* Get(const char* text);

private:
    std::mutex m_mutex;
    std::map<std::string, const CFStringObject*> m_strings;
};

#endif
