// Measures the traffic log:
//  - decoding throughput: a session of the panel's commands, their answers and a whole
//    configuration upload, written as the windows write it, decoded again and again; in frames
//    per second, beside the frames per second a 9600 bit/s line carries;
//  - the same through the log model, which adds a row for each write and each answer;
//  - the resident memory a full log adds to the program, with its window shown off screen:
//    once filled with that session, once with a flood of random bytes, with the time each
//    read of the flood keeps the window busy;
//  - the same for the whole panel: its main window shown with nothing logged, then with the
//    traffic log window opened from its menu and the panel's own log full.
// Usage: velnor-log-bench [ROUNDS]  for the throughput, velnor-log-bench MODE  for memory, MODE
// one of session, flood (the log and its window alone), panel, panel-flood (the whole panel);
// each in a fresh process (results go to standard output).|flood  for the
// memory of a full log of sessions or of a random flood (results go to standard output).
#include "Measures.h"
#include "app/LogWindow.h"
#include "app/MainWindow.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "widgets/QtMessageSink.h"
#include "link/TrafficLog.h"
#include "protocol/FrameDecoder.h"
#include "protocol/Frames.h"
#include "protocol/UploadPlan.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

using namespace velnor;
using namespace velnor::bench;

constexpr double kLineBytesPerSecond = 9600.0 / 10; // 8 data bits, a start and a stop bit

struct Write
{
    bool sent;
    QByteArray bytes;
};

// The panel's commands with their answers, then an upload, as the link writes and reads them.
std::vector<Write> session()
{
    std::vector<Write> writes;
    const auto send = [&](const QByteArray& bytes) { writes.push_back({true, bytes}); };
    const auto answer = [&](const char* hex) {
        writes.push_back({false, QByteArray::fromHex(hex)});
    };
    send(frames::select(105));
    answer("EE69");
    send(frames::text(QStringLiteral("Hello"), QStringLiteral("world"))->bytes);
    send(frames::predefinedText(2, 1));
    send(frames::cursorPosition(1, 15));
    send(frames::clearRow(0));
    send(frames::cursorLook(1));
    send(frames::backlight(2));
    send(frames::customCharacter(3));
    send(frames::readInputs());
    answer("EE690A05");
    send(frames::setOutput(2, true));
    send(frames::allOutputsOff());
    send(frames::showSerialNumber());
    send(frames::deselect());
    answer("EE69");
    ModuleSetup setup;
    setup.uid = QStringLiteral("105");
    setup.line1 = QStringLiteral("Velnor");
    setup.bitmaps.fill(QStringLiteral("31"));
    send(frames::enterConfiguration());
    const auto plan = planUpload(setup);
    for (const UploadStep& step : std::get<QList<UploadStep>>(plan))
        send(step.bytes);
    send(frames::saveToNonVolatileMemory());
    return writes;
}

double residentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void feed(TrafficLog& log, const Write& write)
{
    if (write.sent)
        log.frameSent(write.bytes);
    else
        log.bytesReceived(write.bytes);
}

// Fills the log to its bound and past it, a turn of the event loop after each write or read,
// with the session or with 4 KiB reads of random bytes; for the flood, how long the log and
// any window on it are busy with each read: the time they cannot answer the user.
void fill(TrafficLog& log, const std::vector<Write>& writes, bool flood)
{
    if (flood) {
        QRandomGenerator random(17);
        QByteArray chunk(4096, Qt::Uninitialized);
        std::vector<double> readMs;
        QElapsedTimer clock;
        for (int i = 0; i < 400 || log.rowCount() < log.maxRows(); ++i) {
            for (char& byte : chunk)
                byte = char(random.bounded(256));
            clock.start();
            log.bytesReceived(chunk);
            QApplication::processEvents();
            readMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        print("one 4 KiB read of the flood, shown", "ms", stats(readMs));
        return;
    }
    // Full, and then some, so that the oldest rows have gone.
    for (int i = 0; i < 2 || log.rowCount() < log.maxRows(); ++i) {
        for (const Write& write : writes)
            feed(log, write);
        QApplication::processEvents();
    }
}

// The resident memory a full log adds, with its window shown: measured in a process that has
// done nothing else, as memory freed before is not handed back and would hide the growth.
int measureMemory(const std::vector<Write>& writes, bool flood)
{
    const double before = residentMiB();
    auto log = std::make_unique<TrafficLog>();
    auto window = std::make_unique<LogWindow>(*log);
    window->show();
    QApplication::processEvents();
    fill(*log, writes, flood);
    const double after = residentMiB();
    std::printf("full log of %s: %d rows, %.1f MiB above none (%.1f -> %.1f MiB)\n",
                flood ? "a random flood" : "sessions", log->rowCount(), after - before, before,
                after);
    return 0;
}

// The same for the whole panel as the program builds it: the main window shown, with nothing
// logged, then its traffic log window opened from the menu and the panel's own log full.
int measurePanel(const std::vector<Write>& writes, bool flood)
{
    QTemporaryDir dir;
    const IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    QtMessageSink messages;
    const auto panel = Panel::onSerialPorts(messages, portMapOf(settings));
    MainWindow window(*panel, settings);
    window.show();
    QApplication::processEvents();
    const double without = residentMiB();
    window.findChild<QAction*>(QStringLiteral("trafficLogAction"))->trigger();
    QApplication::processEvents();
    fill(panel->log(), writes, flood);
    const double with = residentMiB();
    std::printf("panel with a full log of %s: %d rows, %.1f MiB above the panel without "
                "(%.1f -> %.1f MiB)\n",
                flood ? "a random flood" : "sessions", panel->log().rowCount(), with - without,
                without, with);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<Write> writes = session();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "session" || mode == "flood")
        return measureMemory(writes, mode == "flood");
    if (mode == "panel" || mode == "panel-flood")
        return measurePanel(writes, mode == "panel-flood");
    const int rounds = std::max(1, mode.toInt());
    // How many frames the session holds, and how long the line takes to carry them.
    qsizetype bytes = 0;
    qsizetype frameCount = 0;
    {
        FrameDecoder decoder;
        for (const Write& write : writes) {
            bytes += write.bytes.size();
            frameCount += write.sent
                              ? decoder.sent(write.bytes).size() + decoder.pauseSent().size()
                              : decoder.received(write.bytes).size();
        }
    }
    const double lineFrames = kLineBytesPerSecond * double(frameCount) / double(bytes);
    std::printf("session: %lld frames in %lld bytes; a 9600 bit/s line carries %.0f frames/s of "
                "it (%.0f of one-byte frames)\n",
                static_cast<long long>(frameCount), static_cast<long long>(bytes), lineFrames,
                kLineBytesPerSecond);

    constexpr int kSessionsPerRound = 2000;
    std::vector<double> decoded;
    std::vector<double> logged;
    for (int round = 0; round < rounds; ++round) {
        FrameDecoder decoder;
        QElapsedTimer clock;
        clock.start();
        qsizetype frames = 0;
        for (int i = 0; i < kSessionsPerRound; ++i) {
            for (const Write& write : writes) {
                frames += write.sent
                              ? decoder.sent(write.bytes).size() + decoder.pauseSent().size()
                              : decoder.received(write.bytes).size();
            }
        }
        decoded.push_back(double(frames) / (double(clock.nsecsElapsed()) / 1e9));

        TrafficLog log;
        clock.restart();
        for (int i = 0; i < kSessionsPerRound; ++i) {
            for (const Write& write : writes)
                feed(log, write);
        }
        logged.push_back(double(frameCount) * kSessionsPerRound /
                         (double(clock.nsecsElapsed()) / 1e9));
    }
    const Stats decodedStats = stats(decoded);
    print("decoder, frames per second", "frames/s", decodedStats);
    print("log model, frames per second", "frames/s", stats(logged));
    std::printf("decoder median over the line's rate: %.0f times (one-byte frames: %.0f times)\n",
                decodedStats.median / lineFrames, decodedStats.median / kLineBytesPerSecond);

    return 0;
}
