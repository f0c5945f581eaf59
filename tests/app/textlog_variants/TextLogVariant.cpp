// A logging library that lacks one of its two entry points; which one is
// chosen at build time.
#include <cstdio>
#include <cstring>

#define VARIANT_EXPORT extern "C" __attribute__((visibility("default")))

#if !defined(CORVINA_TEXTLOG_NoWriteLogLPCSTR)
VARIANT_EXPORT int WriteLogLPCSTR(const char* path, const char* text)
{
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr)
        return 0;
    std::fwrite(text, 1, std::strlen(text), file);
    std::fclose(file);
    return 1;
}
#endif

#if !defined(CORVINA_TEXTLOG_NoWriteLogBinary)
VARIANT_EXPORT int WriteLogBinary(const char*, const void*, unsigned long)
{
    return 1;
}
#endif
