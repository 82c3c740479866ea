#include "emulator/PtyHost.h"

#include "emulator/Line.h"
#include "emulator/TerminalSpeed.h"
#include "system/OpenFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
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

// The name a running program goes by, as the system lists it.
QString programName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLocal8Bit(comm.readAll().trimmed());
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
    // dropped as a serial port drops them, and an exclusive mode left behind by a program that
    // ended is cleared. Without this, answers are always written.
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0 &&
        ::inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }
    if (m_inotify >= 0) {
        m_peerNotifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
        connect(m_peerNotifier, &QSocketNotifier::activated, this, &PtyHost::readPeerEvents);
    } else {
        m_peers = std::nullopt;
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
    // The speed the far end set, looked up as its bytes come, so they are heard at it.
    m_line->setSpeed(terminalSpeed(m_slave));
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
    m_line->setSpeed(terminalSpeed(m_slave));
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
    // Opens and closes the kernel reported since the last look are looked at first, so a
    // program that closed the device a moment ago gets nothing, and one that just opened it
    // gets its answer. Without such reports the count stands: the lookup is slow on a machine
    // with many open files, and an answer must not wait for it.
    if (drainPeerEvents())
        countPeers();
    qsizetype written = 0;
    while (peerOpen() && written < answer.size()) {
        const ssize_t n =
            ::write(m_master, answer.constData() + written, size_t(answer.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        // A full terminal buffer means nobody reads: the rest is lost, as on a real line.
        if (n <= 0)
            break;
        written += n;
    }
    if (written > 0)
        emit answered(answer.left(written));
    if (written < answer.size())
        emit dropped(answer.mid(written));
}

void PtyHost::readPeerEvents()
{
    drainPeerEvents();
    countPeers();
}

bool PtyHost::drainPeerEvents()
{
    if (m_inotify < 0)
        return false;
    // The events only say "look again": the kernel merges two opens that follow each other
    // into one event, so counting events loses track. The count comes from the descriptors
    // that programs hold on the device.
    bool any = false;
    alignas(inotify_event) char buffer[4096];
    while (::read(m_inotify, buffer, sizeof buffer) > 0)
        any = true;
    return any;
}

void PtyHost::countPeers()
{
    if (m_inotify < 0)
        return;
    // Our own descriptor could not be opened again after a look at the terminal while
    // somebody held it in exclusive mode: that somebody may be gone now.
    if (m_slave < 0)
        m_slave = ::open(QFile::encodeName(m_slavePath).constData(),
                         O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const std::optional<int> before = m_peers;
    const bool wasOpen = peerOpen();
    m_peers = otherDescriptorsOnDevice();
    if (m_peers == 0) {
        // Bytes left unread when the last program closed the device would otherwise greet the
        // next one.
        if (wasOpen)
            ::tcflush(m_slave, TCIFLUSH);
        clearStaleExclusiveMode();
    } else if (!m_peers) {
        clearExclusiveModeIfNobodyHolds();
    }
    if (m_peers != before)
        emit peersChanged();
}

std::optional<int> PtyHost::otherDescriptorsOnDevice() const
{
    // Where /proc hides other users' programs, the first program is hidden as well: then
    // nobody can be ruled out.
    if (::access("/proc/1", F_OK) != 0)
        return std::nullopt;
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return std::nullopt;
    const QByteArray device = QFile::encodeName(m_slavePath);
    int count = 0;
    bool hidden = false;
    while (const dirent* process = ::readdir(processes)) {
        if (process->d_name[0] < '1' || process->d_name[0] > '9')
            continue;
        const QByteArray fdDir = QByteArray("/proc/") + process->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.constData());
        if (!fds) {
            // A program that just ended is gone; one we may not look into could hold the
            // device.
            if (errno != ENOENT && errno != ESRCH)
                hidden = true;
            continue;
        }
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
    const int others = std::max(0, count - (m_slave >= 0 ? 1 : 0)); // less the host's own
    if (hidden && others == 0)
        return std::nullopt;
    return others;
}

void PtyHost::clearStaleExclusiveMode()
{
    // A program that opened the device in exclusive mode and ended without leaving it (killed,
    // say) leaves the mode on the terminal, since our own descriptor keeps the terminal alive:
    // every later program would be refused. Nobody holds the device now, so the mode is stale.
    int exclusive = 0;
    if (::ioctl(m_slave, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        ::ioctl(m_slave, TIOCNXCL);
}

void PtyHost::clearExclusiveModeIfNobodyHolds()
{
    int exclusive = 0;
    if (::ioctl(m_slave, TIOCGEXCL, &exclusive) != 0 || exclusive == 0)
        return;
    // Programs we may not look into might hold the device. The terminal itself tells whether
    // anybody but us does: with our own descriptor closed, its other side hangs up exactly
    // when nobody has the device open. The mode goes first, or we could not open the device
    // again, and comes back if somebody holds it.
    ::ioctl(m_slave, TIOCNXCL);
    ::close(m_slave);
    pollfd hangUp{m_master, POLLIN, 0};
    const bool nobody = ::poll(&hangUp, 1, 0) == 1 && (hangUp.revents & POLLHUP) != 0;
    m_slave = ::open(QFile::encodeName(m_slavePath).constData(),
                     O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave >= 0 && nobody)
        ::tcflush(m_slave, TCIFLUSH);
    else if (m_slave >= 0)
        ::ioctl(m_slave, TIOCEXCL);
    // Our own closing and opening are no news.
    drainPeerEvents();
}

void PtyHost::removeLeftoverLinks()
{
    // An emulator killed between making its temporary link and renaming it leaves
    // "<link>.new<pid>" behind. Only those of a program that no longer runs go.
    const QFileInfo linkInfo(m_linkPath);
    const QString prefix = linkInfo.fileName() + QStringLiteral(".new");
    const QDir folder = linkInfo.absoluteDir();
    const QStringList names = folder.entryList(
        {prefix + u'*'}, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString digits = name.mid(prefix.size());
        bool isNumber = !digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(),
                                                         [](QChar c) { return c.isDigit(); });
        const qint64 pid = isNumber ? digits.toLongLong(&isNumber) : 0;
        if (!isNumber || pid <= 0 || pid > INT_MAX ||
            !QFileInfo(folder.filePath(name)).isSymLink())
            continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlink(QFile::encodeName(folder.filePath(name)).constData());
    }
}

bool PtyHost::placeLink(QString* error)
{
    const auto refuse = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    removeLeftoverLinks();
    const QByteArray link = QFile::encodeName(m_linkPath);
    const QByteArray device = QFile::encodeName(m_slavePath);
    // A name that another emulator takes at the same moment is looked at again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QFileInfo existing(m_linkPath);
        if (!existing.isSymLink()) {
            if (existing.exists())
                return refuse(m_linkPath + QStringLiteral(": exists and is not a symbolic link"));
            // Made only where nothing is, so two emulators starting together cannot both
            // take the name.
            if (::symlink(device.constData(), link.constData()) == 0)
                break;
            if (errno == EEXIST)
                continue;
            return refuse(systemError(m_linkPath));
        }
        // The panel reaches a running emulator through its link: taking the name over would
        // cut that emulator's line. A link left by one that ended leads nowhere or to a
        // terminal no emulator provides, and is replaced.
        if (const QString conflict = linkConflict(); !conflict.isEmpty())
            return refuse(conflict);
        // Made beside the link and renamed over it, so the name never points nowhere.
        const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
        ::unlink(temporary.constData());
        if (::symlink(device.constData(), temporary.constData()) != 0 ||
            ::rename(temporary.constData(), link.constData()) != 0) {
            const QString reason = systemError(m_linkPath);
            ::unlink(temporary.constData());
            return refuse(reason);
        }
        break;
    }
    if (QFileInfo(m_linkPath).symLinkTarget() != m_slavePath)
        return refuse(m_linkPath + QStringLiteral(": taken by another program while starting"));
    m_linkPlaced = true;
    return true;
}

QString PtyHost::linkConflict() const
{
    const QFileInfo existing(m_linkPath);
    if (m_linkPath.isEmpty() || !existing.isSymLink())
        return {};
    const QString target = existing.symLinkTarget();
    const std::optional<qint64> other = emulatorProviding(target);
    if (!other)
        return {};
    return QStringLiteral("%1: leads to %2, the line of another emulator still "
                          "running (process %3, %4); choose another link")
        .arg(m_linkPath, target)
        .arg(*other)
        .arg(programName(*other));
}

std::optional<qint64> PtyHost::emulatorProviding(const QString& device) const
{
    // A pseudo-terminal's device is /dev/pts/<index>, there as long as the terminal is;
    // whoever holds its other side opened /dev/ptmx, and the kernel tells the index of each
    // such descriptor.
    const QFileInfo info(device);
    bool isIndex = false;
    const int index = info.fileName().toInt(&isIndex);
    if (info.dir().dirName() != QStringLiteral("pts") || !isIndex)
        return std::nullopt;
    const QString ownName = programName(::getpid());
    std::optional<qint64> found;
    // Programs of other users cannot be looked into; they could not have placed a link of ours
    // in a folder of ours either.
    forEachProgramsFiles([&](qint64 pid, const QList<OpenFile>& files) {
        for (const OpenFile& file : files) {
            if (!file.target.endsWith("ptmx") || (pid == ::getpid() && file.fd == m_master) ||
                file.info("tty-index:") != QByteArray::number(index))
                continue;
            // Only the emulators' lines are kept: a terminal that now has the index of a
            // line that ended belongs to another kind of program.
            if (programName(pid) == ownName)
                found = pid;
            break;
        }
        return !found;
    });
    return found;
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
