#include "system/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

namespace velnor {

namespace {

// A reader that takes nothing for this long has stopped: a save must not hang the window.
constexpr int kStalledMs = 5000;

// Told from the device's numbers, never by opening it: opening some devices acts on its own (a
// serial port raises its control lines, a watchdog starts counting).
bool isTerminal(const struct stat& st)
{
    const unsigned int major = ::major(st.st_rdev);
    // The far ends of pseudo-terminals are not listed under /sys; the kernel keeps these
    // majors for them.
    constexpr unsigned int kFirstPtyMajor = 136, kLastPtyMajor = 143;
    if (major >= kFirstPtyMajor && major <= kLastPtyMajor)
        return true;
    const QString subsystem =
        QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(major).arg(::minor(st.st_rdev));
    return QFileInfo(subsystem).canonicalFilePath() == u"/sys/class/tty";
}

// Hands bytes to a FIFO or a terminal as they take them. A reader that leaves half-way gives
// EPIPE, not the end of the program: every program of ours ignores SIGPIPE (QuitOnSignal).
bool writeInto(const QByteArray& name, QByteArrayView bytes, QString* error)
{
    // Without O_NONBLOCK, opening a FIFO nobody reads would wait for good.
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENXIO ? QStringLiteral("No program is reading from it")
                                : qt_error_string(errno);
        return false;
    }
    while (!bytes.isEmpty()) {
        const ssize_t done = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (done > 0) {
            bytes = bytes.sliced(done);
            continue;
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && errno == EAGAIN) {
            pollfd ready{fd, POLLOUT, 0};
            const int polled = ::poll(&ready, 1, kStalledMs);
            if (polled > 0 && !(ready.revents & (POLLERR | POLLHUP)))
                continue;
            if (polled < 0 && errno == EINTR)
                continue;
            *error = polled == 0 ? QStringLiteral("The reader stopped taking data")
                                 : QStringLiteral("The reader went away");
        } else {
            *error = qt_error_string(done == 0 ? EIO : errno);
        }
        ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

FileTarget FileTarget::of(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0)
        return {errno == ENOENT ? Kind::Missing : Kind::Unknown, {}};
    if (S_ISREG(st.st_mode))
        return {Kind::Regular, QStringLiteral("a regular file")};
    if (S_ISFIFO(st.st_mode))
        return {Kind::Fifo, QStringLiteral("a FIFO")};
    if (S_ISDIR(st.st_mode))
        return {Kind::Other, QStringLiteral("a folder")};
    if (S_ISCHR(st.st_mode)) {
        if (isTerminal(st))
            return {Kind::Terminal, QStringLiteral("a terminal")};
        return {Kind::Other, QStringLiteral("a character device")};
    }
    if (S_ISBLK(st.st_mode))
        return {Kind::Other, QStringLiteral("a block device")};
    if (S_ISSOCK(st.st_mode))
        return {Kind::Other, QStringLiteral("a socket")};
    return {Kind::Other, QStringLiteral("not a regular file")};
}

WholeWrite writeWholeFile(const QString& path, QByteArrayView bytes)
{
    WholeWrite result;
    const FileTarget target = FileTarget::of(path);
    if (target.writableInto()) {
        if (writeInto(QFile::encodeName(path), bytes, &result.detail))
            result = {WholeWrite::Outcome::WrittenInto, target.what};
        return result;
    }
    // A name that cannot be looked at is left to the write below, which says why in the
    // system's words.
    if (target.kind == FileTarget::Kind::Other) {
        result.detail =
            QStringLiteral("Is %1, not a regular file; left as it was, nothing written")
                .arg(target.what);
        return result;
    }
    QSaveFile file(path);
    // A short write is not an error to QSaveFile: committed, it would replace the old file
    // with the first part of the new one.
    if (file.open(QIODevice::WriteOnly) &&
        file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush() && file.commit())
        return {WholeWrite::Outcome::Replaced, {}};
    result.detail = file.errorString();
    file.cancelWriting();
    return result;
}

} // namespace velnor
