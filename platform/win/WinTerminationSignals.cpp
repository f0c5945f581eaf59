#include "TerminationSignals.h"

void TerminationSignals::Watch(std::function<void()> onRequest)
{
    // Logoff and shutdown reach the window as a close through the toolkit.
    (void)onRequest;
}
