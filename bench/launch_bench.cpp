// Measures how long the panel takes from launch to a visible window, and its resident memory
// at that moment, beside a bare Qt window of the same layout (the main window's form, its
// status bar and nothing behind it) launched the same way.
// Usage, on an X display (e.g. under xvfb-run, with or without a window manager):
//   velnor-launch-bench ROUNDS PANEL [ARGS...]
// runs ROUNDS launches of each, alternating, and prints min/median/max of both and the ratio of
// the medians. A launch is timed from just before the process is spawned to the X server's
// MapNotify of its first top-level window (or of the frame a window manager gives it); the
// resident size is the process's VmRSS read as that notice arrives. Each process is then
// ended with SIGTERM and waited for.
#include "Measures.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <signal.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kBareOption = "--bare-window";
// The longest a launch may take to show its window before the round gives no figure.
constexpr double kPatienceMs = 30000;

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double residentMb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

struct Launch
{
    double ms = -1;
    double mb = 0;
};

// One launch of argv, watched on the root window of the display's first screen.
Launch launch(std::vector<char*> argv)
{
    Launch result;
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "velnor-launch-bench: no X display\n");
        xcb_disconnect(x);
        return result;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_request_check(x, xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask));

    argv.push_back(nullptr);
    pid_t pid = 0;
    const double start = nowMs();
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        xcb_disconnect(x);
        return result;
    }
    // A program that never shows a window, or ends first, gives no figure instead of a hang.
    const double giveUpAt = start + kPatienceMs;
    bool ended = false;
    while (result.ms < 0 && !ended && nowMs() < giveUpAt) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped && result.ms < 0) {
                result.ms = nowMs() - start;
                result.mb = residentMb(pid);
            }
        }
        pollfd readable{xcb_get_file_descriptor(x), POLLIN, 0};
        poll(&readable, 1, 50);
        ended = result.ms < 0 && waitpid(pid, nullptr, WNOHANG) == pid;
    }
    if (!ended) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    xcb_disconnect(x);
    return result;
}

int bareWindow(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    window.statusBar()->showMessage(QStringLiteral(" "));
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], kBareOption) == 0)
        return bareWindow(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: velnor-launch-bench ROUNDS PANEL [ARGS...]\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    std::vector<char*> panel(argv + 2, argv + argc);
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 1;
    std::vector<char*> bare{self, const_cast<char*>(kBareOption)};

    std::vector<double> panelMs, panelMb, bareMs, bareMb;
    for (int round = 0; round < rounds; ++round) {
        for (auto* which : {&bare, &panel}) {
            const Launch one = launch(*which);
            if (one.ms < 0)
                return 1;
            (which == &bare ? bareMs : panelMs).push_back(one.ms);
            (which == &bare ? bareMb : panelMb).push_back(one.mb);
        }
    }
    using velnor::bench::print;
    using velnor::bench::stats;
    print("bare window, launch to visible", "ms", stats(bareMs));
    print("panel, launch to visible", "ms", stats(panelMs));
    print("bare window, resident when visible", "MB", stats(bareMb));
    print("panel, resident when visible", "MB", stats(panelMb));
    std::printf("panel / bare window, medians: launch %.2fx, memory %.2fx\n",
                stats(panelMs).median / stats(bareMs).median,
                stats(panelMb).median / stats(bareMb).median);
    return 0;
}
