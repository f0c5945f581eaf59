#include "TerminationSignals.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only do async-signal-safe work: it writes one byte, and the
// event loop reads it and does the rest.
int g_aiSignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    const ssize_t written = ::write(g_aiSignalPipe[0], &byte, 1);
    (void)written;
}

} // namespace

void TerminationSignals::IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

void TerminationSignals::Watch(std::function<void()> onRequest)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_aiSignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_aiSignalPipe[1], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onRequest = std::move(onRequest)]() {
        char byte = 0;
        const ssize_t got = ::read(g_aiSignalPipe[1], &byte, 1);
        (void)got;
        onRequest();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
