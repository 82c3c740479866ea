#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <qtestsupport_core.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

// Helpers for tests that talk to terminals and other processes directly.
namespace velnor::test {

// A terminal opened as a panel opens its port, without becoming its controlling terminal and
// without blocking reads: -1 when it cannot be opened.
inline int openDevice(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

// Up to count bytes from a non-blocking fd, waiting until they are there or the timeout is up:
// what came, possibly less. The event loop runs meanwhile, so that code in this thread can
// send them.
inline QByteArray readFor(int fd, qsizetype count,
                          std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    QByteArray got;
    const auto readMore = [&] {
        char buffer[4096];
        ssize_t n = 0;
        while (got.size() < count &&
               (n = ::read(fd, buffer, std::min(sizeof buffer, size_t(count - got.size())))) > 0)
            got.append(buffer, n);
        return got.size() >= count;
    };
    [[maybe_unused]] const bool complete = QTest::qWaitFor(readMore, int(timeout.count()));
    return got;
}

// The next line of a process's standard output without its line end, waiting ms at most.
inline QByteArray nextLine(QProcess& process, int ms = 5000)
{
    const QDeadlineTimer deadline(ms);
    while (!process.canReadLine() && !deadline.hasExpired() &&
           process.state() == QProcess::Running)
        process.waitForReadyRead(int(deadline.remainingTime()));
    return process.readLine().trimmed();
}

// The id of a process that has ended and been reaped: one no running process has, as a
// leftover's name may hold it.
inline pid_t endedProcessId()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    return pid > 0 && ::waitpid(pid, nullptr, 0) == pid ? pid : -1;
}

// This process's address space and resident memory in bytes, -1 when the system does not say.
struct Memory
{
    qint64 size = -1;
    qint64 resident = -1;
};

inline Memory memoryNow()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> pages = statm.readLine().split(' ');
    const qint64 pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages.size() < 2)
        return {};
    return {pages[0].toLongLong() * pageSize, pages[1].toLongLong() * pageSize};
}

// From the moment it is made until wait() says so: whether a program opened the file name in
// folder, so that a test acts when a program reaches that file and not before. The event loop
// runs meanwhile.
struct OpenWatch
{
    OpenWatch(const QString& folder, QByteArray file) : name(std::move(file))
    {
        ::inotify_add_watch(fd, QFile::encodeName(folder).constData(), IN_OPEN);
    }
    ~OpenWatch() { ::close(fd); }

    bool wait(const QProcess& program, int ms = 20000)
    {
        bool opened = false;
        return QTest::qWaitFor(
                   [&] {
                       alignas(inotify_event) char events[4096];
                       for (ssize_t at = 0, got = ::read(fd, events, sizeof events); at < got;) {
                           const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                           opened = opened || (event->len > 0 && name == event->name);
                           at += ssize_t(sizeof(inotify_event) + event->len);
                       }
                       return opened || program.state() == QProcess::NotRunning;
                   },
                   ms) &&
               opened;
    }

    const int fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    const QByteArray name;
};

} // namespace velnor::test
