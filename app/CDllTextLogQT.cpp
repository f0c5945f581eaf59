#include "CDllTextLogQT.h"

#include "AppGlobals.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

CDllTextLogQT g_CDllTextLogQT;

CDllTextLogQT::CDllTextLogQT() = default;

namespace {

QString LibraryFileName()
{
#if defined(_WIN32)
    return QStringLiteral("TextLog.dll");
#else
    // The dynamic loader does not look in the program folder by itself, so the
    // library is named by its full base path; QLibrary adds "lib" and ".so".
    if (g_qstrAppDirPath.isEmpty())
        return QStringLiteral("TextLog");
    return g_qstrAppDirPath + QStringLiteral("/TextLog");
#endif
}

} // namespace

bool CDllTextLogQT::InitDataDll(QString& strErrorMessage)
{
    const QString qstrOperation = QStringLiteral("\r\nCDllTextLogQT::InitDataDll");
    m_QLibrary.setFileName(LibraryFileName());
    if (!m_QLibrary.load()) {
        strErrorMessage = QStringLiteral("m_QLibrary.load(TextLog.dll) failed!") + qstrOperation;
        return false;
    }
    m_pfnWriteLogLPCSTR = reinterpret_cast<PFN_WriteLogLPCSTR>(m_QLibrary.resolve("WriteLogLPCSTR"));
    if (m_pfnWriteLogLPCSTR == nullptr) {
        strErrorMessage = QStringLiteral("m_QLibrary.resolve(WriteLogLPCSTR) failed!") + qstrOperation;
        return false;
    }
    m_pfnWriteLogBinary = reinterpret_cast<PFN_WriteLogBinary>(m_QLibrary.resolve("WriteLogBinary"));
    if (m_pfnWriteLogBinary == nullptr) {
        strErrorMessage = QStringLiteral("m_QLibrary.resolve(WriteLogBinary) failed!") + qstrOperation;
        return false;
    }
    return true;
}

bool TextLogPrintf(const char* format, ...)
{
    // Most lines fit a small buffer, formatted in one pass; only longer ones
    // (tool output) are measured and formatted again on the heap.
    char small[1024];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);

    std::vector<char> large;
    const char* text = small;
    if (length < 0) {
        va_end(again);
        return true;
    }
    if (static_cast<size_t>(length) >= sizeof small) {
        large.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        text = large.data();
    }
    va_end(again);

    const PFN_WriteLogLPCSTR write = g_CDllTextLogQT.m_pfnWriteLogLPCSTR;
    if (write != nullptr)
        write(g_baLogFilePath.constData(), text);
    return true;
}
