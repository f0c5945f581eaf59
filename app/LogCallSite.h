// What every log call site adds in front of its message: the time, the source
// file name, the class-qualified routine name and the line number.
//
//   TEXTLOG("Enter");
//   TEXTLOG("iProgress : %d", iProgress);
//   TEXTLOG("qstrDeviceID : %s", LOG8(qstrDeviceID));
#ifndef CORVINA_LOGCALLSITE_H
#define CORVINA_LOGCALLSITE_H

#include "CDllTextLogQT.h"

#include <QByteArray>
#include <QString>

// "hh:mm:ss:zzz" of the current local time, in the local 8-bit code page.
QByteArray LogTimeText();

// The compiler's file name with everything up to its last '/' or '\' removed.
const char* LogFileName(const char* path);

// "Class::routine" (or "routine") out of a compiler signature such as
// "void Corvina::slot_SwitchStatus(enumFormBackupRestoreIndex, int)".
QByteArray LogRoutineName(const char* signature);

#if defined(_MSC_VER)
#define CORVINA_LOG_SIGNATURE __FUNCTION__
#else
#define CORVINA_LOG_SIGNATURE __PRETTY_FUNCTION__
#endif

// Text argument for a "%s": the text in the local 8-bit code page. The bytes
// live until the end of the full expression, which covers the log call.
#define LOG8(text) (QString(text).toLocal8Bit().constData())

// The routine's name is worked out once per call site and never destroyed:
// threads may still log while the process ends.
#define TEXTLOG(message, ...)                                                                    \
    do {                                                                                         \
        static const QByteArray* const corvinaLogRoutine_ =                                      \
            new QByteArray(LogRoutineName(CORVINA_LOG_SIGNATURE));                               \
        TextLogPrintf("\r\n%s %s %s:%d " message, LogTimeText().constData(), LogFileName(__FILE__), \
                      corvinaLogRoutine_->constData(), __LINE__, ##__VA_ARGS__);                 \
    } while (0)

#endif
