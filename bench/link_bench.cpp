// Measures the panel's link over a real pseudo-terminal, off screen:
//  - from a click on "Select Device" to the first byte readable at the far end;
//  - how long a 10-tick wait lasts;
//  - the processor time the program spends during that wait.
//  - the processor time of the program while a device streams acknowledgements at the line's
//    rate, in windows of 10 s, and its resident size before and after.
// Usage: velnor-link-bench [ROUNDS] [FLOOD_SECONDS]   (results go to standard output)
#include "Measures.h"
#include "app/MainWindow.h"
#include "link/Panel.h"
#include "link/QtTickSource.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "widgets/QtMessageSink.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTimer>
#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

using namespace velnor::bench;

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int floodSeconds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 60;

    const RawPty pty = openRawPty();
    if (pty.master < 0)
        return 1;
    const int master = pty.master;
    const char* name = pty.name.c_str();

    QTemporaryDir dir;
    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("1"));
    settings.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                   QStringLiteral("9600,n,8,1"));
    settings.write(QStringLiteral("LCD"), QStringLiteral("UID"), QStringLiteral("101"));
    settings.write(QStringLiteral("Ports"), QStringLiteral("1"), QString::fromLocal8Bit(name));

    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::MainWindow window(*panel, settings);
    auto* select = window.findChild<QAbstractButton*>(QStringLiteral("selectButton"));
    velnor::Exchanges& exchanges = panel->exchanges();
    const auto runOut = [&app, &exchanges] {
        while (exchanges.isRunning())
            app.processEvents(QEventLoop::WaitForMoreEvents);
    };

    std::vector<double> firstByteMs, waitMs, cpuMs;
    for (int round = 0; round < rounds; ++round) {
        // The far end waits for the select frame on its own thread, so the time it sees the
        // first byte is not held up by the panel's wait.
        std::atomic<Clock::rep> seen{0};
        std::thread farEnd([&] {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 2000) == 1)
                seen = Clock::now().time_since_epoch().count();
            char buffer[64];
            while (poll(&p, 1, 50) == 1 && read(master, buffer, sizeof buffer) > 0) {
            }
        });
        const auto clicked = Clock::now();
        select->click(); // no answer comes: the select lasts its whole wait
        runOut();
        farEnd.join();
        if (seen == 0) {
            std::fputs("no byte reached the far end\n", stderr);
            return 1;
        }
        firstByteMs.push_back(std::chrono::duration<double, std::milli>(
                                  Clock::duration(seen.load()) - clicked.time_since_epoch())
                                  .count());

        const double cpuBefore = cpuSeconds();
        const auto started = Clock::now();
        exchanges.start({velnor::Exchange::pause(velnor::Exchange::kAnswerTicks)}, &app, {});
        runOut();
        waitMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        cpuMs.push_back((cpuSeconds() - cpuBefore) * 1000.0);
    }

    std::printf("rounds: %d, tick: %d ms\n", rounds, velnor::QtTickSource::kTickMs);
    print("select click to first byte at the far end", "ms", stats(firstByteMs));
    print("10-tick wait, wall time", "ms", stats(waitMs));
    print("10-tick wait, processor time of the program", "ms", stats(cpuMs));

    // A device that never stops acknowledging for 101 while 101 is selected, at about the
    // line's rate (EE 65 every 2 ms, 1000 bytes a second; 9600 bit/s carries 960): the
    // processor time of the program's thread in each window of 10 s.
    std::atomic<bool> streaming{true};
    std::thread stream([&] {
        const unsigned char answer[2] = {0xEE, 101};
        auto next = Clock::now();
        while (streaming) {
            next += std::chrono::milliseconds(2);
            std::this_thread::sleep_until(next);
            if (write(master, answer, sizeof answer) < 0)
                return;
        }
    });
    const long rssBefore = residentKiB();
    std::vector<double> sharePercent;
    for (int w = 0; w < std::max(1, floodSeconds / 10); ++w) {
        const double cpuBefore = threadCpuSeconds();
        QTimer::singleShot(std::chrono::seconds(10), &app, &QApplication::quit);
        QApplication::exec();
        sharePercent.push_back((threadCpuSeconds() - cpuBefore) * 10.0);
    }
    streaming = false;
    stream.join();
    std::printf("flood of EE 65, 101 selected: share of a core per 10 s:");
    for (const double share : sharePercent)
        std::printf(" %.1f%%", share);
    const auto* received = window.findChild<QLabel*>(QStringLiteral("receivedBytes"));
    std::printf("\nresident size %ld KiB before the flood, %ld KiB after; Received Bytes line "
                "%lld characters\n",
                rssBefore, residentKiB(), static_cast<long long>(received->text().size()));
    close(master);
    close(pty.slave);
    return 0;
}
