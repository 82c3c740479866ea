// velnor-mirror-bench [FRAMES]: what the Displays window costs.
//  1. The processor time of feeding the line mirror FRAMES one-byte writes (each a text byte
//     to a selected module, every sixteenth a cursor move of its own write), as the panel
//     hands it every write; given per frame and as a share of one core at the line's 960
//     frames a second.
//  2. The resident size of the main window on fakes, off screen, before and after opening the
//     Displays window with all 32 modules listed and drawn.
#include "Measures.h"
#include "MainWindowRig.h"
#include "app/DisplaysWindow.h"
#include "module/LineMirror.h"

#include <QAction>
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>

#include <cstdio>

using namespace velnor;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 96000;

    // To one module, then with broadcast on, to all 32.
    for (const QByteArray& selected :
         {QByteArrayLiteral("\xEF\x65"), QByteArrayLiteral("\xEF\x64")}) {
        LineMirror mirror;
        mirror.sent(selected + QByteArrayLiteral("\x0D"));
        const QByteArray letter("A");
        const QByteArray move = QByteArrayLiteral("\xFE\x32\x00\x00");
        const double start = bench::threadCpuSeconds();
        for (int i = 0; i < frames; ++i)
            mirror.sent(i % 16 == 15 ? move : letter);
        const double seconds = bench::threadCpuSeconds() - start;
        const double perFrame = seconds / frames;
        std::printf("mirror, %s: %d writes in %.3f s of processor time, %.2f us a frame, "
                    "%.3f %% of a core at 960 frames/s\n",
                    selected.endsWith('\x64') ? "broadcast" : "one module", frames, seconds,
                    perFrame * 1e6, perFrame * 960 * 100);
    }

    test::MainWindowRig rig(nullptr);
    rig.window->show();
    app.processEvents();
    const long before = bench::residentKiB();
    rig.window->findChild<QAction*>(QStringLiteral("displaysAction"))->trigger();
    auto* displays = rig.window->findChild<DisplaysWindow*>();
    for (int address = wire::FirstAddress; address <= wire::LastAddress; ++address)
        displays->feed().mirror().list(quint8(address));
    displays->refresh();
    // Painted at the size it opens at, scrolled through to its end so that every display was
    // drawn once.
    app.processEvents();
    auto* scroll = displays->findChild<QScrollArea*>();
    for (int y = 0; y <= scroll->verticalScrollBar()->maximum(); y += 100) {
        scroll->verticalScrollBar()->setValue(y);
        app.processEvents();
    }
    const long after = bench::residentKiB();
    std::printf("resident: %ld KiB before, %ld KiB with 32 displays shown, %ld KiB more\n", before,
                after, after - before);
    return 0;
}
