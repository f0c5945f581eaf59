// The logging library's C interface. The program loads it at run time by its
// base name "TextLog" and resolves both entry points by name.
#ifndef CORVINA_TEXTLOG_H
#define CORVINA_TEXTLOG_H

#if defined(_WIN32)
#define TEXTLOG_CALL __cdecl
#define TEXTLOG_EXPORT __declspec(dllexport)
#else
#define TEXTLOG_CALL
#define TEXTLOG_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Appends text, unchanged, to the file named by path. Missing folders are
// created and the file stays open between calls. Returns 1 when every byte was
// written, 0 otherwise.
TEXTLOG_EXPORT int TEXTLOG_CALL WriteLogLPCSTR(const char* path, const char* text);

// Appends size raw bytes to the file named by path; same rules as above.
TEXTLOG_EXPORT int TEXTLOG_CALL WriteLogBinary(const char* path, const void* data, unsigned long size);

#ifdef __cplusplus
}
#endif

#endif
