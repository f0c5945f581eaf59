// Holder of the logging library and the one routine every log line goes
// through. Call sites use the TEXTLOG macro of LogCallSite.h.
#ifndef CORVINA_CDLLTEXTLOGQT_H
#define CORVINA_CDLLTEXTLOGQT_H

#include <QLibrary>
#include <QString>

#if defined(_WIN32)
#define CORVINA_CDECL __cdecl
#else
#define CORVINA_CDECL
#endif

typedef int(CORVINA_CDECL* PFN_WriteLogLPCSTR)(const char* path, const char* text);
typedef int(CORVINA_CDECL* PFN_WriteLogBinary)(const char* path, const void* data, unsigned long size);

class CDllTextLogQT
{
public:
    CDllTextLogQT();

    // Loads the library from the program folder and resolves both entry points.
    // Fails with the first step that failed; a missing WriteLogBinary still
    // leaves logging working.
    bool InitDataDll(QString& strErrorMessage);

    QLibrary m_QLibrary;
    PFN_WriteLogLPCSTR m_pfnWriteLogLPCSTR = nullptr;
    PFN_WriteLogBinary m_pfnWriteLogBinary = nullptr;
};

extern CDllTextLogQT g_CDllTextLogQT;

// Formats with printf rules into bytes (8-bit text in the local code page
// passes through unchanged) and hands them to the library. Always true.
bool TextLogPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

#endif
