#include "settings/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace velnor {

namespace {

const QString kFileName = QStringLiteral("velnor.ini");

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

SettingsLocation::Places SettingsLocation::ofThisProgram(const QString& given)
{
    return {given, QCoreApplication::applicationDirPath(), userConfigDir(),
            &SettingsLocation::folderWritable};
}

QString SettingsLocation::userConfigDir()
{
#ifdef Q_OS_UNIX
    // A relative folder would depend on where the program was started from.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    QString home = qEnvironmentVariable("HOME");
    // Without HOME (a service, env -i) the user database still knows the home folder.
    if (!QDir::isAbsolutePath(home)) {
        const passwd* user = ::getpwuid(::geteuid());
        home = user && user->pw_dir ? QFile::decodeName(user->pw_dir) : QString();
    }
    return QDir::isAbsolutePath(home) ? QDir::cleanPath(home + QStringLiteral("/.config"))
                                      : QString();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}

bool SettingsLocation::folderWritable(const QString& folder)
{
#ifdef Q_OS_UNIX
    // Effective ids, not the real ones access() goes by: what a write would meet.
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) ==
           0;
#else
    return QFileInfo(folder).isWritable();
#endif
}

QString SettingsLocation::installedDefault(const QString& programDir)
{
    return QDir::cleanPath(programDir + u'/' + QStringLiteral(VELNOR_DEFAULT_SETTINGS));
}

SettingsLocation SettingsLocation::choose(const Places& places)
{
    SettingsLocation location;
    const QString shipped = installedDefault(places.programDir);
    const bool installed = QFileInfo(shipped).isFile();
    const QString beside = QDir(places.programDir).filePath(kFileName);
    const bool copyBeside = QFileInfo::exists(beside);

    if (!places.given.isEmpty()) {
        location.m_path = QFileInfo(places.given).absoluteFilePath();
        location.m_seed = installed ? shipped : QString();
        return location;
    }
    // An installed program keeps away from its own folder even where it may write there (root,
    // or a prefix in the user's home), unless someone put a copy beside it on purpose.
    const bool portable = places.writable(places.programDir) && (copyBeside || !installed);
    if (portable || places.configDir.isEmpty()) {
        location.m_path = beside;
        return location;
    }
    location.m_path = QDir(places.configDir).filePath(QStringLiteral("velnor/") + kFileName);
    location.m_seed = installed ? shipped : copyBeside ? beside : builtInDefault();
    location.m_makeFolder = true;
    return location;
}

QString SettingsLocation::builtInDefault()
{
    return QStringLiteral(":/velnor/velnor.ini");
}

IniFile SettingsLocation::file() const
{
    return IniFile(m_path, m_seed.isEmpty() ? builtInDefault() : m_seed);
}

bool SettingsLocation::prepare(QString* error) const
{
    if (m_seed.isEmpty() || QFileInfo::exists(m_path) || QFileInfo(m_path).isSymLink())
        return true;
    const QString path = QDir::toNativeSeparators(m_path);
    const QString folder = QFileInfo(m_path).absolutePath();
    if (m_makeFolder && !QDir().mkpath(folder))
        return fail(error, QStringLiteral("%1: cannot create the folder").arg(path));

    QFile seed(m_seed);
    if (!seed.open(QIODevice::ReadOnly))
        return fail(error,
                    QDir::toNativeSeparators(m_seed) + QStringLiteral(": ") + seed.errorString());
    const QByteArray bytes = seed.readAll();
    // Written whole under another name, then renamed: a second program starting at the same
    // moment finds no half-made file.
    QSaveFile copy(m_path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.commit())
        return fail(error, path + QStringLiteral(": ") + copy.errorString());
    return true;
}

} // namespace velnor
