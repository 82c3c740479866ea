#pragma once

#include <QObject>

class QSocketNotifier;

namespace velnor {

// Ends the event loop on SIGINT, SIGTERM or SIGHUP, so the program cleans up (its link above
// all) as on a normal exit. The handler only writes to a pipe; the quitting happens in the
// event loop.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    static void handle(int signal);

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace velnor
