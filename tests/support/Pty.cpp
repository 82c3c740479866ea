#include "Pty.h"
#include "Processes.h"

#include <qtestsupport_core.h>

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
    return readFor(m_master, count, timeout);
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace velnor::test
