// Requests to end the program that come from outside its window: on Unix the
// signals SIGTERM and SIGINT (logout, shutdown, Ctrl-C in a terminal). They
// take the same road as closing the window, so that a running tool is ended
// and the single-instance files are released. Kept free of Qt types.
#ifndef CORVINA_TERMINATIONSIGNALS_H
#define CORVINA_TERMINATIONSIGNALS_H

#include <functional>

class TerminationSignals
{
public:
    // From now on onRequest runs on the thread that runs the event loop each
    // time such a request arrives. Call once, from that thread, before the
    // event loop starts. On Windows the toolkit turns the system's requests
    // into a close of the window itself, so nothing is watched there.
    static void Watch(std::function<void()> onRequest);

    // A write to a connection whose other end has closed (a device that left
    // during a read, the device service restarting) fails with an error
    // instead of ending the program with SIGPIPE. Call once at start-up.
    static void IgnoreBrokenPipes();
};

#endif
