// Measures the configuration window's work over a real pseudo-terminal, off screen:
//  - how long a whole upload takes, from the click to the last byte readable at the far end;
//  - the processor time the program spends during it;
//  - how long opening the window takes with every configuration key in the settings file.
// Usage: velnor-config-bench [ROUNDS]   (results go to standard output)
#include "FakeMessageSink.h"
#include "config/ConfigWindow.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "Measures.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "settings/ModuleSetupFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

using namespace velnor::bench;

// Every configuration key, as a save leaves them.
void fillSettings(const velnor::IniFile& settings)
{
    velnor::ModuleSetup setup;
    setup.uid = QStringLiteral("101");
    setup.at9600 = true;
    setup.line1 = QStringLiteral("Velnor bench");
    setup.line2 = QStringLiteral("second line");
    for (int k = 0; k < velnor::ModuleSetup::kTexts; ++k)
        setup.texts[size_t(k)] = QStringLiteral("Predefined %1").arg(k + 1);
    for (int i = 0; i < velnor::ModuleSetup::kBitmaps; ++i)
        setup.bitmaps[size_t(i)] = QString::number((i * 37) % 32);
    velnor::saveModuleSetup(setup, settings);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    const RawPty pty = openRawPty();
    if (pty.master < 0)
        return 1;
    const int master = pty.master;
    const char* name = pty.name.c_str();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    QTemporaryDir dir;
    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Ports"), QStringLiteral("1"), QString::fromLocal8Bit(name));
    fillSettings(settings);

    velnor::test::FakeMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    panel->port().setSettings(QStringLiteral("9600,n,8,1"));

    // The far end: counts what arrives, noting when the last byte of an upload came.
    qint64 received = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 lastByteAt = 0;
    QSocketNotifier far(master, QSocketNotifier::Read);
    QObject::connect(&far, &QSocketNotifier::activated, &far, [&] {
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(master, buffer, sizeof buffer)) > 0) {
            received += n;
            lastByteAt = clock.nsecsElapsed();
        }
    });

    std::vector<double> openMs, uploadMs, cpuMs, cpuShare;
    for (int round = 0; round < rounds; ++round) {
        received = 0;
        const qint64 openStart = clock.nsecsElapsed();
        auto* window = new velnor::ConfigWindow(*panel, settings, 0);
        openMs.push_back(double(clock.nsecsElapsed() - openStart) / 1e6);

        // Let the load step's bytes arrive before the upload starts counting.
        while (received < 15)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        received = 0;
        const qint64 start = clock.nsecsElapsed();
        const double cpuStart = cpuSeconds();
        window->findChild<QAbstractButton*>(QStringLiteral("uploadButton"))->click();
        while (window->isUploading() || received < 314)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        const double wall = double(lastByteAt - start) / 1e6;
        const double cpu = (cpuSeconds() - cpuStart) * 1e3;
        uploadMs.push_back(wall);
        cpuMs.push_back(cpu);
        cpuShare.push_back(100.0 * cpu / wall);
        window->close();
        app.processEvents();
    }
    if (!messages.texts.isEmpty()) {
        std::fprintf(stderr, "the port reported: %s\n", qPrintable(messages.details.join(u'\n')));
        return 1;
    }

    std::printf("%d rounds on %s\n", rounds, name);
    print("open the window (full settings file)", "ms", stats(openMs));
    print("whole upload, click to last byte", "ms", stats(uploadMs));
    print("processor time during the upload", "ms", stats(cpuMs));
    print("processor share during the upload", "% of a core", stats(cpuShare));
    return 0;
}
