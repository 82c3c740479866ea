#include "system/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velnor {

namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};
int pipeEnds[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

} // namespace

QuitOnSignal::QuitOnSignal()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }
    ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignal::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int signal : Signals) {
        ::sigaction(signal, &action, nullptr);
        sigaddset(&blocked, signal);
    }
    // A parent may start us with these signals blocked; one already waiting arrives here, now
    // that it is handled.
    ::sigprocmask(SIG_UNBLOCK, &blocked, nullptr);
    // A reader of the output that goes away (a pipe into head, say) must not end the program
    // halfway; the output just stops.
    std::signal(SIGPIPE, SIG_IGN);
}

QuitOnSignal::~QuitOnSignal()
{
    for (int signal : Signals)
        std::signal(signal, SIG_DFL);
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void QuitOnSignal::listen()
{
    if (pipeEnds[1] < 0)
        return;
    // Owned by the application, so it goes before the event loop it belongs to.
    auto* notifier =
        new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte;
        while (::read(pipeEnds[1], &byte, 1) > 0) {
        }
        // Every wait runs from the application's own event loop, so ending that one is enough.
        QCoreApplication::quit();
    });
}

bool QuitOnSignal::requested()
{
    return signalled != 0;
}

void QuitOnSignal::handle(int)
{
    signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
}

} // namespace velnor
