#pragma once

namespace velnor {

// Ends the program on SIGINT, SIGTERM or SIGHUP so it cleans up (ports flushed and closed, the
// emulator's link removed) as on a normal exit: the application's event loop, which runs every
// wait, quits. Made first thing, before the program writes anything: a signal that comes while it
// starts is kept, and ends the event loop as soon as that runs. The handler only writes to a
// socket; the quitting happens in the event loop.
class QuitOnSignal
{
public:
    QuitOnSignal();
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

    // Lets a signal, one that came already included, end the application's event loop. Needs
    // the application.
    void listen();
    // Whether a signal came.
    static bool requested();

private:
    static void handle(int signal);
};

} // namespace velnor
