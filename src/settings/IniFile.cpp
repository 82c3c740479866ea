#include "settings/IniFile.h"

#include "settings/IniText.h"
#include "settings/Latin1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <optional>
#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace velnor {
namespace {

// Values are cut here, as the program has always read them.
constexpr qsizetype kMaxValueChars = 254;
// Far beyond any real settings file; anything larger is not read into memory, and not written
// back either, since that would drop the part that was not read.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr int kMaxLinkHops = 40;

bool fail(QString* error, const QString& path, const QString& reason)
{
    if (error)
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
    return false;
}

// The file's bytes; empty when it does not exist; nullopt (with the reason) when it exists but
// cannot be read whole. Only regular files are opened: a FIFO or a device would block or
// never end.
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
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, path, file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        fail(error, path, file.errorString());
        return std::nullopt;
    }
    if (bytes.size() > kMaxFileBytes) {
        fail(error, path, QStringLiteral("File too large for a settings file"));
        return std::nullopt;
    }
    return bytes;
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

// A replaced file belongs to whoever owned it before, not to the writer (a save run with sudo
// must not take it from its owner). Best effort: only root may give a file away.
void keepOwner(QSaveFile& out, const QString& path)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    if (!info.exists() || out.handle() < 0)
        return;
    if (info.ownerId() == ::geteuid() && info.groupId() == ::getegid())
        return;
    if (::fchown(out.handle(), info.ownerId(), info.groupId()) != 0) {
        // Not permitted: the file is still written, owned by us.
    }
#else
    Q_UNUSED(out);
    Q_UNUSED(path);
#endif
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::AppDir()
{
    const QString dir = QCoreApplication::applicationDirPath();
    // Without an application object there is no program directory; never fall back to "/".
    if (dir.isEmpty())
        return {};
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

IniFile IniFile::beside()
{
    return IniFile(AppDir() + QStringLiteral("velnor.ini"));
}

QString IniFile::ReadIni(const QString& section, const QString& key) const
{
    const std::optional<QByteArray> bytes = load(m_path, nullptr);
    if (!bytes)
        return {};
    const std::optional<QByteArray> value = ini::lookup(*bytes, toWire(section), toWire(key));
    if (!value)
        return {};
    return fromWire(QByteArrayView(*value).first(std::min(value->size(), kMaxValueChars)));
}

bool IniFile::WriteIni(const QString& section, const QString& key, const QString& value,
                       QString* error) const
{
    if (!fitsWire(section) || !fitsWire(key) || !fitsWire(value))
        return fail(
            error, m_path,
            QStringLiteral("Only characters of ISO-8859-1 can be stored in the settings file"));
    const QByteArray sectionBytes = toWire(section);
    const QByteArray keyBytes = toWire(key);
    const QByteArray valueBytes = toWire(value);
    if (const char* reason = ini::rejectReason(sectionBytes, keyBytes, valueBytes))
        return fail(error, m_path, QString::fromLatin1(reason));

    const QString target = resolveLinks(m_path, error);
    if (target.isEmpty())
        return false;
    // A file that exists but cannot be read is not replaced by one holding only this key.
    const std::optional<QByteArray> old = load(target, error);
    if (!old)
        return false;
    const QByteArray updated = ini::update(*old, sectionBytes, keyBytes, valueBytes);
    if (updated == *old)
        return true;

    QSaveFile out(target);
    // Where the folder does not let us create the temporary file, write the file in place.
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        return fail(error, target, out.errorString());
    keepOwner(out, target);
    out.write(updated);
    if (!out.commit())
        return fail(error, target, out.errorString());
    return true;
}

} // namespace velnor
