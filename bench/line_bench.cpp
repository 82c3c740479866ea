// Measures the tools that look at the line, with the real serial port on a pseudo-terminal
// whose far end a thread plays as modules at 101, 117 and 132 (acknowledging selects and
// deselects, answering input reads, each answer once it would have crossed a line at 9600
// bit/s):
//  - the wall time of a search of the 32 addresses, on that line and on a silent one;
//  - the processor time of the program's own thread while the inputs are watched.
// Usage: velnor-line-bench [ROUNDS] [WATCH_SECONDS]   (results go to standard output)
#include "Measures.h"
#include "link/InputWatch.h"
#include "link/ModuleScan.h"
#include "link/Panel.h"
#include "link/QtTickSource.h"
#include "link/SerialPort.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "shared/Wire.h"
#include "widgets/QtMessageSink.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace {

using namespace velnor::bench;
using Clock = std::chrono::steady_clock;

// Modules on the far end of the terminal. A pseudo-terminal carries bytes at once, so each
// answer waits until its frame and itself would have crossed a line at 9600 bit/s (10 bits a
// byte): the reads a second then measure the program, not a wire faster than any.
constexpr std::chrono::microseconds kByteTime{10'000'000 / 9600};

void playModules(int master, const std::atomic<bool>& silent, const std::atomic<bool>& stop)
{
    namespace wire = velnor::wire;
    unsigned char previous = 0;
    unsigned char selected = 0;
    bool command = false;
    pollfd p{master, POLLIN, 0};
    while (!stop) {
        if (poll(&p, 1, 20) != 1)
            continue;
        unsigned char buffer[64];
        const ssize_t got = read(master, buffer, sizeof buffer);
        for (ssize_t i = 0; i < got; ++i) {
            const unsigned char byte = buffer[i];
            unsigned char answer[4] = {wire::Answer, 0, 0x05, 0x0A};
            size_t length = 0;
            if (previous == wire::Select) {
                selected = (byte == 101 || byte == 117 || byte == 132) ? byte : 0;
                length = selected ? 2 : 0;
            } else if (byte == wire::Deselect && selected) {
                length = 2;
            } else if (command && byte == wire::code::ReadInputs && selected) {
                length = 4;
            }
            command = byte == wire::Command;
            previous = byte;
            answer[1] = selected;
            const size_t frameLength = byte == wire::Deselect ? 1 : 2;
            if (length && !silent) {
                std::this_thread::sleep_for(kByteTime * int(frameLength + length));
                if (write(master, answer, length) < 0)
                    return;
            }
            if (byte == wire::Deselect)
                selected = 0;
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int watchSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    const RawPty pty = openRawPty();
    if (pty.master < 0)
        return 1;
    QTemporaryDir dir;
    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Ports"), QStringLiteral("1"),
                   QString::fromLocal8Bit(pty.name.c_str()));
    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    panel->port().setCommPort(1);
    panel->port().setSettings(QStringLiteral("9600,n,8,1"));

    std::atomic<bool> silent{false};
    std::atomic<bool> stop{false};
    std::thread farEnd(playModules, pty.master, std::cref(silent), std::cref(stop));

    velnor::ModuleScan scan(*panel);
    std::vector<double> withModules, onSilentLine;
    int found = 0;
    for (int round = 0; round < 2 * rounds; ++round) {
        silent = round % 2 == 1;
        const auto started = Clock::now();
        scan.start();
        while (scan.isRunning())
            app.processEvents(QEventLoop::WaitForMoreEvents);
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        (silent ? onSilentLine : withModules).push_back(ms);
        if (!silent)
            found = int(scan.result().addresses(velnor::Reply::Answered).size());
    }

    // The watch reads module 117's inputs one read after another.
    silent = false;
    panel->link().send(QByteArray("\xef\x75"));
    velnor::InputWatch watch(*panel);
    int answers = 0;
    QObject::connect(&watch, &velnor::InputWatch::answered, &watch, [&answers] { ++answers; });
    const double cpuBefore = threadCpuSeconds();
    const auto started = Clock::now();
    watch.start(117);
    QTimer::singleShot(std::chrono::seconds(watchSeconds), &app, &QApplication::quit);
    QApplication::exec();
    watch.stop();
    const double wallS = std::chrono::duration<double>(Clock::now() - started).count();
    const double cpuS = threadCpuSeconds() - cpuBefore;

    stop = true;
    farEnd.join();
    std::printf("rounds: %d, tick: %d ms, modules found: %d\n", rounds,
                velnor::QtTickSource::kTickMs, found);
    print("search of 32 addresses, 3 modules", "ms", stats(withModules));
    print("search of 32 addresses, silent line", "ms", stats(onSilentLine));
    std::printf("watch: %d answers in %.1f s (%.1f a second), program thread %.3f s of processor "
                "time (%.2f %% of a core)\n",
                answers, wallS, answers / wallS, cpuS, 100.0 * cpuS / wallS);
    close(pty.master);
    close(pty.slave);
    return 0;
}
