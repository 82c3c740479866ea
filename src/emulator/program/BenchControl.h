#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace velnor {

class Line;

// The emulator as a bench without its window: commands read line by line from a descriptor
// (standard input) plug modules on and off the running line and switch them off and on, and
// SIGUSR1 switches them off and on too (answered as power-cycle). Each command answers one line on
// standard output, starting "# " when done and "! " when refused, so a script can wait for it:
//   plug 105 [4800]   a new module at factory address 105 (listening at 4800 bit/s)
//   unplug [103]      the modules answering to 103 now, or every module
//   power-cycle       every module off and on: each starts from what it stored
//   list              one line per module: factory address, address, speed now
//   quit              ends the emulator
class BenchControl : public QObject
{
    Q_OBJECT
public:
    // fd < 0: the signal only.
    BenchControl(Line& line, int fd, QObject* parent = nullptr);
    ~BenchControl() override;

    // What the command does to the line, and the line that says so.
    static QString run(Line& line, const QString& command);

private:
    void readCommands();
    void readSignal();
    static void reply(const QString& text);

    Line& m_line;
    int m_fd;
    QByteArray m_pending;
    QSocketNotifier* m_commands = nullptr;
    QSocketNotifier* m_signal = nullptr;
};

} // namespace velnor
