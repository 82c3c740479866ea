#include "Pty.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace velnor::test {

namespace {

// Runs the event loop until the master side is ready for type, or the timeout ends.
bool waitForMaster(int fd, QSocketNotifier::Type type, std::chrono::milliseconds timeout)
{
    QEventLoop loop;
    QSocketNotifier notifier(fd, type);
    QTimer deadline;
    deadline.setSingleShot(true);
    bool ready = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        ready = true;
        loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    loop.exec();
    return ready;
}

} // namespace

Pty::Pty()
{
    termios raw{};
    cfmakeraw(&raw);
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_error = qt_error_string(errno);
        m_master = m_slave = -1;
        return;
    }
    // The test waits through the event loop; a blocking call here would stall the code under
    // test that runs in the same thread.
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool Pty::write(QByteArrayView bytes, std::chrono::milliseconds timeout)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            if (!waitForMaster(m_master, QSocketNotifier::Write, timeout))
                return false;
        } else if (n < 0 && errno != EINTR) {
            return false;
        }
    }
    return done == bytes.size();
}

QByteArray Pty::read(qsizetype count, std::chrono::milliseconds timeout)
{
    QByteArray got;
    const auto until = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (m_master >= 0 && got.size() < count) {
        const qsizetype want = std::min<qsizetype>(qsizetype(sizeof buffer), count - got.size());
        const ssize_t n = ::read(m_master, buffer, size_t(want));
        if (n > 0) {
            got.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO: no slave is open any more, so nothing else can come.
        if (n == 0 || errno != EAGAIN)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitForMaster(m_master, QSocketNotifier::Read, left))
            break;
    }
    return got;
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace velnor::test
