#include "settings/IniFile.h"

#include "settings/IniText.h"
#include "settings/Latin1.h"
#include "system/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <utility>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#else
#include <QSaveFile>
#endif

namespace velnor {
namespace {

// Values are cut here, as the program has always read them.
constexpr qsizetype kMaxValueChars = 254;
// Far beyond any real settings file; anything larger is not read into memory, and not written
// back either, since that would drop the part that was not read.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr qint64 kReadChunk = 16 * 1024;
constexpr int kMaxLinkHops = 40;

bool fail(QString* error, const QString& path, const QString& reason)
{
    if (error)
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
    return false;
}

// The file's bytes; empty when it does not exist; nullopt (with the reason) when it exists but
// cannot be read whole. Only regular files are opened: a FIFO or a device would block or
// never end. Memory grows with what the file holds, never to the size limit up front.
std::optional<QByteArray> load(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile()) {
        fail(error, path,
             info.isDir() ? QStringLiteral("Is a directory")
                          : QStringLiteral("Not a regular file"));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fail(error, path, file.errorString());
        return std::nullopt;
    }
    const auto tooLarge = [&] {
        fail(error, path, QStringLiteral("File too large for a settings file"));
        return std::nullopt;
    };
    if (file.size() > kMaxFileBytes)
        return tooLarge();
    QByteArray bytes;
    bytes.reserve(file.size());
    // To the end, even if the file has grown since its size was taken.
    char chunk[kReadChunk];
    for (;;) {
        const qint64 got = file.read(chunk, kReadChunk);
        if (got < 0) {
            fail(error, path, file.errorString());
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        if (bytes.size() + got > kMaxFileBytes)
            return tooLarge();
        bytes.append(chunk, got);
    }
}

// The file a chain of symbolic links ends at, so that writing replaces the target and the
// link stays a link; an empty text (with the reason) for a link loop.
QString resolveLinks(const QString& path, QString* error)
{
    QString target = path;
    for (int hops = 0;; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        if (hops == kMaxLinkHops) {
            fail(error, path, QStringLiteral("Too many levels of symbolic links"));
            return {};
        }
        target = info.symLinkTarget();
    }
}

#ifdef Q_OS_UNIX

bool failErrno(QString* error, const QString& path)
{
    return fail(error, path, qt_error_string(errno));
}

bool writeAll(int fd, QByteArrayView bytes, off_t at)
{
    while (!bytes.isEmpty()) {
        const ssize_t done = ::pwrite(fd, bytes.data(), size_t(bytes.size()), at);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            errno = done == 0 ? EIO : errno;
            return false;
        }
        bytes = bytes.sliced(done);
        at += done;
    }
    return true;
}

// The name a new file has between being written and replacing the settings file: the file's
// own name, ".new" and the writer's process id, so that a writer killed in between can be
// told from a live one.
QByteArray temporaryName(const QByteArray& target, qint64 pid)
{
    return target + ".new" + QByteArray::number(pid);
}

QByteArray folderOf(const QByteArray& target)
{
    const qsizetype slash = target.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : target.first(slash + 1);
}

// Removes the new files that writers killed before their rename left beside target. A live
// writer's file is left alone; so is anything that is not a regular file of that name.
void removeLeftovers(const QByteArray& target)
{
    const QByteArray prefix = target.sliced(target.lastIndexOf('/') + 1) + ".new";
    DIR* dir = ::opendir(folderOf(target).constData());
    if (!dir)
        return;
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(prefix) || name.size() == prefix.size())
            continue;
        const QByteArrayView digits = name.sliced(prefix.size());
        pid_t pid = 0;
        const auto [end, ec] = std::from_chars(digits.begin(), digits.end(), pid);
        if (ec != std::errc() || end != digits.end() || pid <= 0)
            continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        struct stat st = {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
}

enum class Beside { Replaced, Failed, FolderReadOnly };

// Writes bytes to a new file in target's folder and renames it over target, so that a reader,
// a crash or a full disk finds the old file or the new one whole. Where the system allows, the
// new file has no name until just before the rename, so that only a kill in that moment leaves
// it behind, for removeLeftovers.
Beside replaceBeside(const QByteArray& target, const struct stat* old, QByteArrayView bytes,
                     bool unnamed, QString* reason)
{
    const QByteArray folder = folderOf(target);
    const QByteArray name = temporaryName(target, ::getpid());
    // Until it has the old file's mode, nobody else may read the new one.
    const mode_t mode = old ? 0600 : 0666;
    int fd = -1;
    bool linked = false;
    const auto cleanUp = qScopeGuard([&] {
        if (fd >= 0)
            ::close(fd);
        if (linked)
            ::unlink(name.constData());
    });
    const auto readOnly = [] { return errno == EACCES || errno == EPERM || errno == EROFS; };
    const auto failed = [&] {
        *reason = qt_error_string(errno);
        return readOnly() ? Beside::FolderReadOnly : Beside::Failed;
    };

#ifdef O_TMPFILE
    if (unnamed) {
        fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        // Otherwise (a file system or kernel without unnamed files, ...) try a named one.
        if (fd < 0 && readOnly())
            return failed();
    }
#else
    unnamed = false;
#endif
    // One named after this writer from the start. One of that name already there is a killed
    // writer's whose process id came round again.
    for (int attempt = 0; fd < 0 && attempt < 2; ++attempt) {
        unnamed = false;
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && (errno != EEXIST || attempt > 0))
            return failed();
        if (fd < 0)
            ::unlink(name.constData());
    }
    linked = !unnamed;

    // Failing from here on is not a read-only folder: the new file was made.
    const auto writeFailed = [&] {
        failed();
        return Beside::Failed;
    };
    if (!writeAll(fd, bytes, 0))
        return writeFailed();
    if (old) {
        // A replaced file belongs to whoever owned it before, not to the writer (a save run
        // with sudo must not take it from its owner). Only root may give a file away.
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Not permitted: the file is still written, owned by us.
        }
        if (::fchmod(fd, old->st_mode & 07777) != 0)
            return writeFailed();
    }
    if (::fdatasync(fd) != 0)
        return writeFailed();
    for (int attempt = 0; !linked; ++attempt) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        linked = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(),
                          AT_SYMLINK_FOLLOW) == 0;
        if (linked)
            break;
        if (errno != EEXIST || attempt > 0) {
            // Without /proc an unnamed file cannot be given a name: write a named one.
            if (errno == ENOENT && attempt == 0) {
                ::close(std::exchange(fd, -1));
                return replaceBeside(target, old, bytes, false, reason);
            }
            return writeFailed();
        }
        ::unlink(name.constData());
    }
    if (::rename(name.constData(), target.constData()) != 0)
        return writeFailed();
    linked = false;
    removeLeftovers(target);
    return Beside::Replaced;
}

// Where no new file can be made beside it, the file itself is overwritten from its first
// changed byte, then cut to its new length, then synced: it is never empty on the way, but a
// kill or a failure in between can leave the new text followed by the end of the old one.
bool overwrite(int fd, QByteArrayView old, QByteArrayView bytes, const QString& path,
               QString* error)
{
    const qsizetype same =
        std::mismatch(old.begin(), old.end(), bytes.begin(), bytes.end()).first - old.begin();
    if (!writeAll(fd, bytes.sliced(same), same))
        return failErrno(error, path);
    if (bytes.size() < old.size() && ::ftruncate(fd, bytes.size()) != 0)
        return failErrno(error, path);
    if (::fdatasync(fd) != 0)
        return failErrno(error, path);
    return true;
}

bool replace(const QString& path, QByteArrayView old, QByteArrayView bytes, QString* error)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat st = {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    // An existing file we may not write is not replaced either, even where the folder would
    // let us.
    const int fd = exists ? ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY) : -1;
    if (exists && fd < 0)
        return fail(error, path, qt_error_string(errno));
    const auto closeFd = qScopeGuard([fd] {
        if (fd >= 0)
            ::close(fd);
    });
    QString reason;
    switch (replaceBeside(target, exists ? &st : nullptr, bytes, true, &reason)) {
    case Beside::Replaced:
        return true;
    case Beside::Failed:
        return fail(error, path, reason);
    case Beside::FolderReadOnly:
        break;
    }
    if (!exists)
        return fail(error, path, reason);
    return overwrite(fd, old, bytes, path, error);
}

#else

bool replace(const QString& path, QByteArrayView, QByteArrayView bytes, QString* error)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes.data(), bytes.size()) != bytes.size() ||
        !out.commit())
        return fail(error, path, out.errorString());
    return true;
}

#endif

QByteArray updatedWith(QByteArray bytes, const QByteArray& section,
                       const QList<std::pair<QByteArray, QByteArray>>& keys)
{
    for (const auto& [key, value] : keys)
        bytes = ini::update(bytes, section, key, value);
    return bytes;
}

} // namespace

// Serialises the read-modify-write of one settings file across programs: without it, an
// emulator adding its port while the panel saves loses one of the two. The lock is taken on
// a file beside the settings file (the settings file itself is replaced, so a lock on it would
// be left behind on the old one), which the holder removes when done. A taker that finds the
// file it locked removed starts again with the new one. Where no file can be made beside it
// (a read-only folder), the settings file is written in place and locked itself. A lock name
// that is not a regular file is never waited on: opening a FIFO would block, and it will not
// change by waiting.
IniLock IniFile::tryLock() const
{
    IniLock lock;
    QString error;
    lock.m_target = resolveLinks(m_path, &error);
    if (lock.m_target.isEmpty()) {
        lock.m_state = IniLock::State::Refused;
        lock.m_error = error;
        return lock;
    }
#ifdef Q_OS_UNIX
    const QByteArray target = QFile::encodeName(lock.m_target);
    const QByteArray name = target + ".lock";
    const auto refuse = [&](const QString& what) {
        lock.release();
        lock.m_state = IniLock::State::Refused;
        fail(&lock.m_error, QFile::decodeName(name),
             QStringLiteral("Is %1, not a regular file, so it cannot lock the settings file; "
                            "the settings file was not written")
                 .arg(what));
        return std::move(lock);
    };
    for (;;) {
        lock.m_fd =
            ::open(name.constData(),
                   O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
        lock.m_own = lock.m_fd >= 0;
        struct stat st = {};
        if (lock.m_own && (::fstat(lock.m_fd, &st) != 0 || !S_ISREG(st.st_mode)))
            return refuse(FileTarget::of(QFile::decodeName(name)).what);
        if (!lock.m_own && ::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return refuse(S_ISLNK(st.st_mode) ? QStringLiteral("a symbolic link")
                                              : FileTarget::of(QFile::decodeName(name)).what);
        }
        if (!lock.m_own)
            lock.m_fd = ::open(target.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        // Neither: the folder is read-only and the file is missing, so the write fails anyway,
        // with its own reason.
        if (lock.m_fd < 0) {
            lock.m_state = IniLock::State::Held;
            return lock;
        }
        if (::flock(lock.m_fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat named = {};
            if (!lock.m_own ||
                (::fstat(lock.m_fd, &st) == 0 && ::stat(name.constData(), &named) == 0 &&
                 st.st_dev == named.st_dev && st.st_ino == named.st_ino)) {
                lock.m_state = IniLock::State::Held;
                return lock;
            }
            // Removed by its last holder: lock the next one.
            ::close(std::exchange(lock.m_fd, -1));
            continue;
        }
        const bool busy = errno == EWOULDBLOCK;
        ::close(std::exchange(lock.m_fd, -1));
        // A file system without locks: written as before, unguarded.
        lock.m_state = busy ? IniLock::State::Busy : IniLock::State::Held;
        if (busy)
            fail(&lock.m_error, m_path,
                 QStringLiteral("Another program kept the settings file locked"));
        return lock;
    }
#else
    // Elsewhere one writer at a time is not enforced.
    lock.m_state = IniLock::State::Held;
    return lock;
#endif
}

IniLock IniFile::lock(const std::function<bool()>& stop) const
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(IniLock::kPatienceMs);
    for (;;) {
        IniLock lock = tryLock();
        if (lock.state() != IniLock::State::Busy)
            return lock;
        if (stop && stop()) {
            fail(&lock.m_error, m_path,
                 QStringLiteral("Stopped while another program held the settings file locked"));
            return lock;
        }
        if (steady_clock::now() > deadline)
            return lock;
#ifdef Q_OS_UNIX
        const timespec pause{0, 2'000'000};
        ::nanosleep(&pause, nullptr);
#endif
    }
}

IniLock::IniLock(IniLock&& other) noexcept
    : m_state(other.m_state), m_error(std::move(other.m_error)),
      m_target(std::move(other.m_target)), m_fd(std::exchange(other.m_fd, -1)), m_own(other.m_own)
{
    other.m_state = State::Busy;
}

IniLock& IniLock::operator=(IniLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_state = std::exchange(other.m_state, State::Busy);
        m_error = std::move(other.m_error);
        m_target = std::move(other.m_target);
        m_fd = std::exchange(other.m_fd, -1);
        m_own = other.m_own;
    }
    return *this;
}

IniLock::~IniLock()
{
    release();
}

void IniLock::release()
{
#ifdef Q_OS_UNIX
    if (m_fd < 0)
        return;
    // Removed while still held, so that nobody locks a file that is about to go.
    if (m_state == State::Held && m_own)
        ::unlink((QFile::encodeName(m_target) + ".lock").constData());
    ::close(std::exchange(m_fd, -1));
#endif
}

IniFile::IniFile(QString path, QString seed) : m_path(std::move(path)), m_seed(std::move(seed)) {}

QString IniFile::unreadable() const
{
    QString error;
    return load(m_path, &error) ? QString() : error;
}

QString IniFile::appDir()
{
    const QString dir = QCoreApplication::applicationDirPath();
    // Without an application object there is no program directory; never fall back to "/".
    if (dir.isEmpty())
        return {};
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

IniFile IniFile::beside()
{
    return IniFile(appDir() + QStringLiteral("velnor.ini"));
}

QString IniFile::read(const QString& section, const QString& key) const
{
    // Such a name would be looked up with '?' in its place; no key can have it, since a write
    // refuses it.
    if (!fitsWire(section) || !fitsWire(key))
        return {};
    const std::optional<QByteArray> bytes = load(m_path, nullptr);
    if (!bytes)
        return {};
    const std::optional<QByteArray> value = ini::lookup(*bytes, toWire(section), toWire(key));
    if (!value)
        return {};
    return fromWire(QByteArrayView(*value).first(std::min(value->size(), kMaxValueChars)));
}

bool IniFile::write(const QString& section, const QString& key, const QString& value,
                    QString* error, const IniLock* held) const
{
    const QStringList failures = writeKeys(section, {{key, value}}, held);
    if (failures.isEmpty())
        return true;
    if (error)
        *error = failures.first();
    return false;
}

QStringList IniFile::writeKeys(const QString& section,
                               const QList<std::pair<QString, QString>>& keys,
                               const IniLock* held) const
{
    QStringList failures;
    const auto failure = [this](const QString& reason) {
        QString text;
        fail(&text, m_path, reason);
        return text;
    };
    // Each key checked on its own: one that cannot be stored does not hold the others back.
    QList<std::pair<QByteArray, QByteArray>> accepted;
    const QByteArray sectionBytes = toWire(section);
    for (const auto& [key, value] : keys) {
        if (!fitsWire(section) || !fitsWire(key) || !fitsWire(value)) {
            failures.append(failure(QStringLiteral(
                "Only characters of ISO-8859-1 can be stored in the settings file")));
            continue;
        }
        const QByteArray keyBytes = toWire(key);
        const QByteArray valueBytes = toWire(value);
        if (const char* reason = ini::rejectReason(sectionBytes, keyBytes, valueBytes)) {
            failures.append(failure(QString::fromLatin1(reason)));
            continue;
        }
        accepted.append({keyBytes, valueBytes});
    }
    if (accepted.isEmpty())
        return failures;

    QString error;
    const QString target = resolveLinks(m_path, &error);
    // A lock taken before the links changed guards another file: this one is waited for.
    IniLock waited;
    const IniLock* guard = held;
    if (!target.isEmpty() &&
        (!held || held->state() != IniLock::State::Held || held->m_target != target)) {
        waited = lock();
        guard = &waited;
    }
    const auto fits = [&](const QByteArray& bytes) {
        return bytes.size() <= kMaxFileBytes ||
               fail(&error, m_path,
                    QStringLiteral("The settings file would grow past %1 MiB, more than it may "
                                   "hold; not written")
                        .arg(kMaxFileBytes >> 20));
    };
    if (target.isEmpty()) {
        // A link loop: error says so.
    } else if (guard->state() != IniLock::State::Held) {
        error = guard->error();
    } else if (const bool exists = QFileInfo::exists(target); exists || m_seed.isEmpty()) {
        // A file that exists but cannot be read is not replaced by one holding only these
        // keys.
        if (const std::optional<QByteArray> old = load(target, &error)) {
            const QByteArray updated = updatedWith(*old, sectionBytes, accepted);
            if ((exists && updated == *old) ||
                (fits(updated) && replace(target, *old, updated, &error)))
                return failures;
        }
    } else {
        // A new file starts from the seed, so that it says what the program started with
        // before the file was there; an unreadable seed is as good as none.
        const QByteArray seed = load(m_seed, nullptr).value_or(QByteArray());
        const QByteArray made = updatedWith(seed, sectionBytes, accepted);
        if (fits(made) && replace(target, {}, made, &error))
            return failures;
    }
    for (qsizetype i = 0; i < accepted.size(); ++i)
        failures.append(error);
    return failures;
}

} // namespace velnor
