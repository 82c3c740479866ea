#include "emulator/PtyHost.h"

#include "emulator/Line.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace velnor {

namespace {

QString systemError(const QString& what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// Bytes pass unchanged in both directions: no echo, no line editing, no CR/LF translation.
bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

QString PtyHost::defaultLinkPath()
{
    // A name of the user's own: in the shared /tmp another user's link could be neither
    // replaced nor trusted.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/velnor-emulator");
    return QStringLiteral("/tmp/velnor-emulator-%1").arg(::getuid());
}

PtyHost::PtyHost(const QList<quint8>& addresses, QString storePath, QObject* parent)
    : QObject(parent), m_line(new Line(addresses, std::move(storePath), this))
{
    connect(m_line, &Line::changed, this, &PtyHost::changed);
    m_deadlineTimer.setSingleShot(true);
    m_deadlineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &PtyHost::resolveDeadline);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        if (m_lineNotifier)
            m_lineNotifier->setEnabled(true);
    });
}

PtyHost::~PtyHost()
{
    stop();
}

QString PtyHost::devicePath() const
{
    return m_linkPlaced ? m_linkPath : m_slavePath;
}

bool PtyHost::start(QString* error)
{
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        stop();
        return false;
    };
    if (isRunning())
        return true;

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return fail(systemError(QStringLiteral("posix_openpt")));
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(systemError(QStringLiteral("pseudo-terminal")));
    m_slavePath = QString::fromLocal8Bit(name);

    // Holding the device open ourselves keeps the terminal alive between the panel's
    // openings (without it the terminal hangs up and reading reports an error without end),
    // and keeps its settings raw for whoever opens it next.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0)
        return fail(systemError(m_slavePath));
    if (!makeRaw(m_slave))
        return fail(systemError(m_slavePath));

    // Other programs opening and closing the device, so that answers nobody reads are
    // dropped as a serial port drops them. Without this, answers are always written.
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0 &&
        ::inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }
    if (m_inotify >= 0) {
        m_peerNotifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
        connect(m_peerNotifier, &QSocketNotifier::activated, this, &PtyHost::readPeerEvents);
    }

    if (!m_linkPath.isEmpty() && !placeLink(error)) {
        const QString reason = error ? *error : QString();
        return fail(reason);
    }

    m_clock.start();
    m_lineNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_lineNotifier, &QSocketNotifier::activated, this, &PtyHost::readLine);
    return true;
}

void PtyHost::stop()
{
    m_deadlineTimer.stop();
    m_retryTimer.stop();
    delete m_lineNotifier;
    m_lineNotifier = nullptr;
    delete m_peerNotifier;
    m_peerNotifier = nullptr;
    removeLink();
    for (int* fd : {&m_inotify, &m_slave, &m_master}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void PtyHost::readLine()
{
    takeIn(std::nullopt);
}

void PtyHost::takeIn(std::optional<qint64> arrivedBy)
{
    QByteArray bytes;
    char buffer[4096];
    // A bounded amount per event, so a flood cannot keep the event loop from other work.
    while (bytes.size() < 65536) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // The terminal reports an error while nobody holds the device (we always do, but
            // should that change): look again later instead of spinning on it.
            m_lineNotifier->setEnabled(false);
            m_retryTimer.start(100);
        }
        break;
    }
    if (bytes.isEmpty())
        return;
    // The time is taken before anything else, since the modules tell "EA 64" from a lone EA
    // by it.
    const qint64 now = std::min(m_clock.elapsed(), arrivedBy.value_or(m_clock.elapsed()));
    emit frameReceived(bytes);
    send(m_line->feed(bytes, now));
    scheduleDeadline();
}

void PtyHost::resolveDeadline()
{
    // Bytes already waiting when the deadline comes arrived before it, however late this
    // timer runs on a busy machine.
    if (const std::optional<qint64> due = m_line->deadline())
        takeIn(due);
    send(m_line->advance(m_clock.elapsed()));
    scheduleDeadline();
}

void PtyHost::scheduleDeadline()
{
    const std::optional<qint64> deadline = m_line->deadline();
    if (!deadline) {
        m_deadlineTimer.stop();
        return;
    }
    m_deadlineTimer.start(int(qMax<qint64>(0, *deadline - m_clock.elapsed())));
}

void PtyHost::send(const QByteArray& answer)
{
    if (answer.isEmpty())
        return;
    // Who holds the device is looked up again only when it seemed nobody did: the lookup is
    // slow on a machine with many open files, and an answer must not wait for it.
    if (!peerOpen())
        readPeerEvents();
    if (peerOpen()) {
        qsizetype written = 0;
        while (written < answer.size()) {
            const ssize_t n =
                ::write(m_master, answer.constData() + written, size_t(answer.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            // A full terminal buffer means nobody reads: the rest is lost, as on a real line.
            if (n <= 0)
                break;
            written += n;
        }
    }
    emit answered(answer);
}

int PtyHost::otherDescriptorsOnDevice() const
{
    const QByteArray device = QFile::encodeName(m_slavePath);
    int count = 0;
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return 1; // cannot tell: keep answering
    while (const dirent* process = ::readdir(processes)) {
        if (process->d_name[0] < '1' || process->d_name[0] > '9')
            continue;
        const QByteArray fdDir = QByteArray("/proc/") + process->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.constData());
        if (!fds)
            continue; // another user's program, or one that just ended
        while (const dirent* fd = ::readdir(fds)) {
            char target[PATH_MAX];
            const QByteArray link = fdDir + '/' + fd->d_name;
            const ssize_t n = ::readlink(link.constData(), target, sizeof target);
            if (n == device.size() && std::memcmp(target, device.constData(), size_t(n)) == 0)
                ++count;
        }
        ::closedir(fds);
    }
    ::closedir(processes);
    return std::max(0, count - 1); // less the host's own
}

void PtyHost::readPeerEvents()
{
    if (m_inotify < 0)
        return;
    const bool wasOpen = peerOpen();
    // The events only say "look again": the kernel merges two opens that follow each other
    // into one event, so counting events loses track. The count comes from the descriptors
    // that programs hold on the device.
    alignas(inotify_event) char buffer[4096];
    while (::read(m_inotify, buffer, sizeof buffer) > 0) {
    }
    m_peerOpens = otherDescriptorsOnDevice();
    // Bytes left unread when the last program closed the device would otherwise greet the
    // next one.
    if (wasOpen && m_peerOpens == 0)
        ::tcflush(m_slave, TCIFLUSH);
    if (peerOpen() != wasOpen)
        emit peerOpenChanged(peerOpen());
}

bool PtyHost::placeLink(QString* error)
{
    const QFileInfo existing(m_linkPath);
    if (existing.exists() && !existing.isSymLink()) {
        if (error)
            *error = m_linkPath + QStringLiteral(": exists and is not a symbolic link");
        return false;
    }
    // Made beside the link and renamed over it, so the name never points nowhere.
    const QByteArray link = QFile::encodeName(m_linkPath);
    const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(m_slavePath).constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), link.constData()) != 0) {
        if (error)
            *error = systemError(m_linkPath);
        ::unlink(temporary.constData());
        return false;
    }
    m_linkPlaced = true;
    return true;
}

void PtyHost::removeLink()
{
    if (!m_linkPlaced)
        return;
    m_linkPlaced = false;
    // Another emulator may have taken the name over since: leave its link alone.
    if (QFileInfo(m_linkPath).symLinkTarget() == m_slavePath)
        ::unlink(QFile::encodeName(m_linkPath).constData());
}

} // namespace velnor
