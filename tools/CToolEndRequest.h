// A request, made from any thread, to end the command-line tool that a worker
// thread is running. The worker looks at it between short waits; once made it
// holds until the worker clears it, so a tool that would start after the
// request is not started at all.
#ifndef CORVINA_CTOOLENDREQUEST_H
#define CORVINA_CTOOLENDREQUEST_H

#include <atomic>

class CToolEndRequest
{
public:
    void Request();
    void Clear();
    bool IsRequested() const;

private:
    std::atomic<bool> m_bRequested{false};
};

#endif
