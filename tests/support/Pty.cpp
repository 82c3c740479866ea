#include "Pty.h"

#include <qtestsupport_core.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace velnor::test {

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
    // A full terminal takes more once the port under test has read from it.
    const auto writeMore = [&] {
        ssize_t n = 0;
        while (done < bytes.size() &&
               (n = ::write(m_master, bytes.data() + done, size_t(bytes.size() - done))) > 0)
            done += n;
        return done == bytes.size();
    };
    return QTest::qWaitFor(writeMore, int(timeout.count()));
}

QByteArray Pty::read(qsizetype count, std::chrono::milliseconds timeout)
{
    QByteArray got;
    const auto readMore = [&] {
        char buffer[4096];
        ssize_t n = 0;
        while (got.size() < count &&
               (n = ::read(m_master, buffer,
                           std::min(sizeof buffer, size_t(count - got.size())))) > 0)
            got.append(buffer, n);
        return got.size() >= count;
    };
    // Short of count at the timeout: what came, for the caller's comparison to show.
    [[maybe_unused]] const bool complete = QTest::qWaitFor(readMore, int(timeout.count()));
    return got;
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace velnor::test
