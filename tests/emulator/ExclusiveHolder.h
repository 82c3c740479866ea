#pragma once

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velnor::test {

// A program holding a terminal in exclusive mode, as the panel does while its port is open,
// that can be killed as the panel can: a child process that opens the device, sets the mode
// and waits.
class ExclusiveHolder
{
public:
    explicit ExclusiveHolder(const QByteArray& device)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only its own descriptor on the device, not those it was forked with.
            for (int fd = 3; fd < 1024; ++fd) {
                if (fd != ready[1])
                    ::close(fd);
            }
            const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY);
            const char result = fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0 ? 1 : 0;
            [[maybe_unused]] const ssize_t written = ::write(ready[1], &result, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        pollfd wait{ready[0], POLLIN, 0};
        char result = 0;
        m_holding = m_pid > 0 && ::poll(&wait, 1, 5000) == 1 &&
                    ::read(ready[0], &result, 1) == 1 && result == 1;
        ::close(ready[0]);
    }
    ~ExclusiveHolder() { kill(); }
    ExclusiveHolder(const ExclusiveHolder&) = delete;
    ExclusiveHolder& operator=(const ExclusiveHolder&) = delete;

    bool holding() const { return m_holding; }
    // Ends it as kill -9 does: it cannot leave exclusive mode itself.
    void kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
        m_holding = false;
    }

    // Whether a program opening the device now finds it in exclusive mode, as the panel's
    // probe does: root may open it anyway and asks, anyone else is refused.
    static bool exclusive(const QByteArray& device)
    {
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return errno == EBUSY;
        int mode = 0;
        const bool held = ::ioctl(fd, TIOCGEXCL, &mode) == 0 && mode != 0;
        ::close(fd);
        return held;
    }

private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

} // namespace velnor::test
