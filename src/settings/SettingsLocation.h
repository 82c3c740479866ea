#pragma once

#include "settings/IniFile.h"

#include <QString>

#include <functional>

namespace velnor {

// Which velnor.ini the programs use. A copy beside the program (a portable copy, or the build
// tree) when the program may write into its own folder; for an installed program, velnor.ini
// in the user's configuration folder, made from the installed default the first time. A file
// named on the command line wins over both.
class SettingsLocation
{
public:
    struct Places
    {
        QString given;      // named on the command line; empty when none
        QString programDir; // the folder that holds the running program
        QString configDir;  // the user's configuration folder, such as ~/.config
        // Whether the program may write into a folder.
        std::function<bool(const QString& folder)> writable;
    };

    // The places of the running program, asking the system about folders. Needs the
    // application object.
    static Places ofThisProgram(const QString& given = {});
    // $XDG_CONFIG_HOME when it is an absolute path, else .config in the home folder: $HOME,
    // or the user database's when HOME is unset. Empty when neither is known.
    static QString userConfigDir();
    // Whether this process may create files in folder, judged by its effective ids (and its
    // file-system id), as a write would be.
    static bool folderWritable(const QString& folder);
    // The default settings an installed program ships, relative to its folder.
    static QString installedDefault(const QString& programDir);

    static SettingsLocation choose(const Places& places);

    // The file to read and write.
    const QString& path() const { return m_path; }
    // The file path() is made from when it does not exist yet; empty for none.
    const QString& seed() const { return m_seed; }
    // path() to read and write. A write that makes it starts from seed(), or from the
    // default settings built into the program when there is none, so that a file made by a
    // save names the port and speed the program started with.
    IniFile file() const;
    // The default settings built into the program, as the installed default ships them.
    static QString builtInDefault();

    // First use: makes path() as a copy of seed() when it does not exist yet, creating the
    // user's folder for it. Never writes to seed(). False, with the reason, when the copy could
    // not be made (the program then runs as it does without a settings file).
    bool prepare(QString* error = nullptr) const;

private:
    QString m_path;
    QString m_seed;
    // Only the user's own folder is created; a mistyped folder on the command line is not.
    bool m_makeFolder = false;
};

} // namespace velnor
