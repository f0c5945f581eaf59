#include "TerminationSignals.h"

void TerminationSignals::IgnoreBrokenPipes()
{
    // Windows has no such signal: the write fails with an error.
}

void TerminationSignals::Watch(std::function<void()> onRequest)
{
    // Logoff and shutdown reach the window as a close through the toolkit.
    (void)onRequest;
}
