#include "emulator/program/BenchControl.h"

#include "emulator/Line.h"
#include "module/ModuleConfig.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace velnor {

namespace {

// The handler may only write to a descriptor; the event loop does the switching.
int signalPipe[2] = {-1, -1};

void onPowerCycleSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

QString moduleLine(const Module& module)
{
    return QStringLiteral("# module %1: address %2 at %3 bit/s")
        .arg(module.factoryAddress())
        .arg(module.address())
        .arg(module.baud());
}

} // namespace

BenchControl::BenchControl(Line& line, int fd, QObject* parent)
    : QObject(parent), m_line(line), m_fd(fd)
{
    if (m_fd >= 0) {
        m_commands = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
        connect(m_commands, &QSocketNotifier::activated, this, &BenchControl::readCommands);
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_signal = new QSocketNotifier(qintptr(signalPipe[0]), QSocketNotifier::Read, this);
        connect(m_signal, &QSocketNotifier::activated, this, &BenchControl::readSignal);
        struct sigaction action = {};
        action.sa_handler = onPowerCycleSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGUSR1, &action, nullptr);
    }
}

BenchControl::~BenchControl()
{
    if (m_signal) {
        std::signal(SIGUSR1, SIG_DFL);
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

QString BenchControl::run(Line& line, const QString& command)
{
    const QStringList words = command.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString& verb = words.first();
    bool ok = words.size() > 1;
    const int address = ok ? words.at(1).toInt(&ok) : 0;
    if (verb == QLatin1String("plug") && words.size() <= 3) {
        const int baud = words.size() == 3 ? words.at(2).toInt() : wire::FastSpeed;
        if (!ok || !ModuleConfig::isModuleAddress(address) ||
            (baud != wire::FastSpeed && baud != wire::SlowSpeed))
            return QStringLiteral("! plug ADDRESS [SPEED]: an address from %1 to %2, a speed "
                                  "of %3 or %4")
                .arg(wire::FirstAddress)
                .arg(wire::LastAddress)
                .arg(wire::FastSpeed)
                .arg(wire::SlowSpeed);
        line.plug(quint8(address), baud);
        return QStringLiteral("# plugged %1 at %2 bit/s").arg(address).arg(baud);
    }
    if (verb == QLatin1String("unplug") && words.size() <= 2) {
        if (words.size() == 2 && (!ok || !ModuleConfig::isModuleAddress(address)))
            return QStringLiteral("! unplug [ADDRESS]: an address from %1 to %2")
                .arg(wire::FirstAddress)
                .arg(wire::LastAddress);
        return QStringLiteral("# unplugged %1").arg(line.unplug(quint8(address)));
    }
    if (verb == QLatin1String("power-cycle") && words.size() == 1) {
        line.powerUp();
        return QStringLiteral("# powered up %1").arg(line.moduleCount());
    }
    if (verb == QLatin1String("list") && words.size() == 1) {
        QStringList lines;
        for (int i = 0; i < line.moduleCount(); ++i)
            lines << moduleLine(line.module(i));
        return (lines << QStringLiteral("# modules %1").arg(line.moduleCount())).join(u'\n');
    }
    if (verb == QLatin1String("quit") && words.size() == 1) {
        QCoreApplication::quit();
        return QStringLiteral("# quit");
    }
    return QStringLiteral("! unknown command: %1 (plug, unplug, power-cycle, list, quit)")
        .arg(command.simplified());
}

void BenchControl::readCommands()
{
    // One read each time the descriptor is readable, so it never blocks: the descriptor is
    // left blocking, as the shell that shares it expects.
    char buffer[4096];
    ssize_t got;
    do
        got = ::read(m_fd, buffer, sizeof buffer);
    while (got < 0 && errno == EINTR);
    if (got > 0)
        m_pending.append(buffer, got);
    else
        m_commands->setEnabled(false); // the end of the commands, not of the emulator
    for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
        reply(run(m_line, QString::fromUtf8(m_pending.left(end))));
        m_pending.remove(0, end + 1);
    }
}

void BenchControl::reply(const QString& text)
{
    if (text.isEmpty())
        return;
    std::fputs(qPrintable(text + u'\n'), stdout);
    std::fflush(stdout);
}

void BenchControl::readSignal()
{
    char bytes[64];
    bool any = false;
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0)
        any = true;
    // Answered like the command, so a script knows when the modules are back.
    if (any)
        reply(run(m_line, QStringLiteral("power-cycle")));
}

} // namespace velnor
