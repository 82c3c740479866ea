// The far end floods the main window's port with random bytes that hold no acknowledgement:
// the window, its traffic log and displays open, must stay responsive, its memory flat once the
// log is full, and no select may read as "Connected".
#include "FakeMessageSink.h"
#include "FakeLine.h"
#include "Processes.h"
#include "Pty.h"
#include "app/MainWindow.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace velnor;

namespace {

// A sanitizer keeps freed memory in quarantine, so resident size under it measures the
// sanitizer, not the program: the memory bound holds only where none runs.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The longest the event loop may leave a timer waiting while bytes pour in. A loop that stops
// serving events during the flood holds the timer for as long as the flood lasts, seconds; the
// scheduler of a busy machine, or a sanitizer's slower code, holds it up for tens of ms now and
// then. The percentiles are printed, not judged: they depend on the machine.
constexpr qint64 kWorstStallMs = 1000;

} // namespace

class tst_Flood final : public QObject
{
    Q_OBJECT

private slots:
    void aFloodOfBytesLeavesTheWindowResponsive()
    {
        const int seconds = qEnvironmentVariableIsSet("VELNOR_FLOOD_SECONDS")
                                ? qEnvironmentVariableIntValue("VELNOR_FLOOD_SECONDS")
                                : 10;
        test::Pty pty;
        QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
        const int master = pty.masterFd();
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

        QTemporaryDir dir;
        const IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
        settings.write(QStringLiteral("Ports"), QStringLiteral("1"), pty.slavePath());
        settings.write(QStringLiteral("LCD"), QStringLiteral("UID"), QStringLiteral("101"));
        test::FakeMessageSink messages;
        const auto panel = Panel::onSerialPorts(messages, portMapOf(settings));
        MainWindow window(*panel, settings);
        // With the traffic log open, which names every run of bytes and shows it as it comes.
        window.findChild<QAction*>(QStringLiteral("trafficLogAction"))->trigger();
        // And with the Displays window open, which follows every frame the window sends.
        window.findChild<QAction*>(QStringLiteral("displaysAction"))->trigger();
        auto* select = window.findChild<QAbstractButton*>(QStringLiteral("selectButton"));
        auto* status = window.findChild<QLabel*>(QStringLiteral("statusText"));

        // The far end stops on its own when the wait below gives up, so that a loop which never
        // comes back from reading ends too, its stall on record.
        const int floodMs = seconds * 1000;
        const QDeadlineTimer farDeadline(floodMs + 30000);
        std::atomic<bool> flooding = true;
        std::atomic<qint64> sent = 0;
        std::thread far([&] {
            QRandomGenerator random(20261207u);
            char bytes[4096];
            while (flooding && !farDeadline.hasExpired()) {
                for (char& byte : bytes) {
                    do
                        byte = char(random.bounded(256));
                    while (quint8(byte) == 0xEE);
                }
                pollfd writable{master, POLLOUT, 0};
                if (::poll(&writable, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::write(master, bytes, sizeof bytes);
                if (n > 0)
                    sent += n;
            }
        });
        const auto stopFlood = qScopeGuard([&] {
            flooding = false;
            if (far.joinable())
                far.join();
        });

        // Lateness of a 10 ms timer: how long the event loop left it waiting.
        QElapsedTimer clock;
        clock.start();
        qint64 last = clock.elapsed();
        QList<qint64> lateMs;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        connect(&probe, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            lateMs.append(now - last - 10);
            last = now;
        });
        probe.start(10);

        // A click on select every 50 ms in the middle of the flood: one select for each 10-tick
        // wait, the clicks during it dropped.
        int selects = 0;
        QStringList answers;
        connect(&panel->exchanges(), &Exchanges::exchangeEnded, this, [&] {
            ++selects;
            answers.append(status->text());
        });
        // Memory is measured from the moment the traffic log is full: from then on it keeps
        // the latest rows and may not grow.
        const TrafficLog& log = panel->log();
        qint64 memoryAtStart = -1;
        qint64 fullAtMs = -1;
        QTimer clicker;
        connect(&clicker, &QTimer::timeout, this, [&] {
            select->click();
            if (fullAtMs < 0 && clock.elapsed() > 1000 && log.rowCount() == log.maxRows()) {
                memoryAtStart = test::memoryNow().resident;
                fullAtMs = clock.elapsed();
            }
        });
        clicker.start(50);
        // The flood lasts its seconds, and where memory is judged, until the full log has taken
        // in as many rows again as it holds.
        const auto floodOver = [&] {
            const qint64 now = clock.elapsed();
            return now >= floodMs && (kSanitized || (fullAtMs >= 0 && now >= 2 * fullAtMs));
        };
        const bool floodEnded = QTest::qWaitFor(floodOver, floodMs + 30000);
        clicker.stop();
        QVERIFY(test::waitsOver(*panel));
        const qint64 memoryAtEnd = test::memoryNow().resident;
        flooding = false;
        far.join();

        std::sort(lateMs.begin(), lateMs.end());
        QVERIFY(lateMs.size() > 100);
        const qint64 p99LateMs = lateMs.at(lateMs.size() * 99 / 100);
        qInfo("%d s: %lld bytes flooded, %d selects, event-loop lateness 99th percentile "
              "%lld ms, worst %lld ms, resident %lld KiB once the log was full (at %lld ms), "
              "%lld KiB at the end",
              seconds, qlonglong(sent.load()), selects, qlonglong(p99LateMs),
              qlonglong(lateMs.last()), qlonglong(memoryAtStart / 1024), qlonglong(fullAtMs),
              qlonglong(memoryAtEnd / 1024));
        QVERIFY2(lateMs.last() < kWorstStallMs, "the event loop stopped serving during the flood");
        QVERIFY2(floodEnded, "the flood did not fill the log");
        QVERIFY2(sent > 100000, "the flood did not flow");
        QVERIFY(selects > 10);
        QCOMPARE(answers.count(QStringLiteral("Device Not Found")), selects);
        if (!kSanitized)
            QVERIFY2(memoryAtEnd - memoryAtStart < 4 * 1024 * 1024, "memory grew under the flood");
        QVERIFY(messages.texts.isEmpty());
        // Shown as it came, a flood leaves only its latest bytes on the Received Bytes line.
        QCOMPARE_LE(window.findChild<QLabel*>(QStringLiteral("receivedBytes"))->text().size(),
                    4 + 3 * TrafficMonitor::kRxTail);
    }
};

QTEST_MAIN(tst_Flood)
#include "tst_flood.moc"
