#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "emulator/program/BenchControl.h"
#include "emulator/program/HeadlessLog.h"
#include "emulator/program/ProgramOptions.h"
#include "system/QuitOnSignal.h"
#include "system/StandardStreams.h"
#include "emulator/window/EmulatorWindow.h"
#include "settings/IniFile.h"
#include "settings/SettingsLocation.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace velnor;

namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "velnor-emulator: %s\n", qPrintable(text));
}

bool writeIni(const ProgramOptions& options, const QString& device)
{
    // A file made here starts from the default settings, so that the panel's next start
    // finds its port and speed in it.
    const IniFile ini =
        SettingsLocation::choose(SettingsLocation::ofThisProgram(options.iniPath)).file();
    // Both keys under one hold of the lock; a signal while another program holds it ends the
    // wait, and the program, with nothing written.
    const IniLock lock = ini.lock(&QuitOnSignal::requested);
    if (QuitOnSignal::requested())
        return false;
    QString error = lock.error();
    if (lock.state() != IniLock::State::Held ||
        !ini.write(QStringLiteral("Ports"), QString::number(options.port), device, &error,
                   &lock) ||
        (options.selectPort && !ini.write(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                                          QString::number(options.port), &error, &lock))) {
        printError(error);
        return false;
    }
    return true;
}

// A program told to end while starting ends as it would have a moment later: cleanly.
int failedStart()
{
    return QuitOnSignal::requested() ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    velnor::holdStandardStreams();
    // Before anything is written: a signal from here on ends the program cleanly.
    QuitOnSignal quitOnSignal;
    QCoreApplication::setApplicationName(QStringLiteral("velnor-emulator"));
    // The command line is read before any application object exists: help, mistakes and the
    // headless mode must work where there is no display at all.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString message;
    int exitCode = 0;
    const std::optional<ProgramOptions> options =
        ProgramOptions::parse(arguments, &message, &exitCode);
    if (!options) {
        if (exitCode == 0)
            std::fputs(qPrintable(message), stdout);
        else
            printError(message);
        return exitCode;
    }
    std::unique_ptr<QCoreApplication> app = options->headless
                                                ? std::make_unique<QCoreApplication>(argc, argv)
                                                : std::make_unique<QApplication>(argc, argv);
    quitOnSignal.listen();

    PtyHost host(options->addresses, options->storePath);
    host.setLinkPath(options->linkPath);
    Line& line = host.line();
    line.setSilent(options->silent);
    for (int i = 0; i < line.moduleCount(); ++i) {
        const quint8 address = line.module(i).factoryAddress();
        if (options->inputs.contains(address))
            line.setInputs(i, options->inputs.value(address));
    }
    if (!line.storeProblem().isEmpty())
        printError(line.storeProblem());
    QObject::connect(&line, &Line::storeFailed, &host, &printError);
    // Told to end while starting: nothing is written and nothing is left behind.
    if (QuitOnSignal::requested())
        return 0;

    // The link rather than the device goes into the settings: its name stays the same from run
    // to run, so they stay right when the emulator starts again. It is written before the link
    // appears, so whoever waits for the link finds the settings ready.
    const bool iniFirst = !options->iniPath.isEmpty() && !options->linkPath.isEmpty();
    // Another emulator's link is left alone, and so are the settings that name it.
    if (const QString conflict = host.linkConflict(); !conflict.isEmpty()) {
        printError(conflict);
        return 1;
    }
    if (iniFirst && !writeIni(*options, options->linkPath))
        return failedStart();
    QString error;
    if (!host.start(&error)) {
        printError(error);
        return 1;
    }
    if (!options->iniPath.isEmpty() && !iniFirst && !writeIni(*options, host.devicePath()))
        return failedStart();
    HeadlessLog::writeDevice(host, stdout);
    // After the device lines, so a script reads them before any answer to its commands.
    const BenchControl bench(line, options->commands ? STDIN_FILENO : -1);

    if (options->headless) {
        const HeadlessLog log(host, STDOUT_FILENO, options->decode);
        return app->exec();
    }

    EmulatorWindow window(line);
    window.setDevice(host.devicePath() == host.slavePath() ? QString() : host.devicePath(),
                     host.slavePath());
    QObject::connect(&host, &PtyHost::peersChanged, &window,
                     [&] { window.setPeers(host.peers()); });
    QObject::connect(&host, &PtyHost::frameReceived, &window, &EmulatorWindow::showFrame);
    QObject::connect(&host, &PtyHost::answered, &window, &EmulatorWindow::showAnswer);
    window.setPeers(host.peers());
    window.show();
    return app->exec();
}
