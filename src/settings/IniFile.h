#pragma once

#include <QString>

namespace velnor {

// The settings file velnor.ini: every call opens, reads or writes, and closes it again, so an
// edit made by hand between two calls is seen by the next one.
class IniFile
{
public:
    explicit IniFile(QString path);

    // The program's directory, ending in a separator.
    static QString AppDir();
    // velnor.ini in the program's directory.
    static IniFile beside();

    const QString& path() const { return m_path; }

    // At most 254 characters; a missing file, section or key, or an unreadable file, is "".
    QString ReadIni(const QString& section, const QString& key) const;
    // Replaces the file atomically. False (with the reason in *error, if given) when the file
    // could not be written; the file is then as it was.
    bool WriteIni(const QString& section, const QString& key, const QString& value,
                  QString* error = nullptr) const;

private:
    QString m_path;
};

} // namespace velnor
