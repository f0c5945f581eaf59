// A request, made from any thread, to end the command-line tool that a worker
// thread is running, with the reason it was made. The worker looks at it
// between short waits; once made it holds until the worker clears it, so a
// tool that would start after the request is not started at all.
#ifndef CORVINA_CTOOLENDREQUEST_H
#define CORVINA_CTOOLENDREQUEST_H

#include "CFailureCause.h"

#include <atomic>

class CToolEndRequest
{
public:
    // eiReason: Disconnected (the device departed) or Cancelled (the user's
    // choice). The first reason of a request stands.
    void Request(enumFailureCause eiReason);
    void Clear();
    bool IsRequested() const;
    // The reason of the request; None when none was made.
    enumFailureCause Reason() const;

private:
    std::atomic<int> m_iReason{eiFailureCause_None};
};

#endif
