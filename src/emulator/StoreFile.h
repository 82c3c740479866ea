#pragma once

#include "module/ModuleConfig.h"

#include <QMap>
#include <QString>

namespace velnor {

// The file that stands for the non-volatile memory of every module on one emulated line,
// keyed by the modules' serial numbers, so a module that took a new address keeps its entry.
class StoreFile
{
public:
    explicit StoreFile(QString path);

    const QString& path() const { return m_path; }

    // Stored configurations by serial number. A missing file holds none. A damaged file, or
    // a damaged entry, gives nothing for what is damaged, and *warning says what was wrong.
    QMap<quint32, ModuleConfig> load(QString* warning = nullptr) const;
    // Replaces the file atomically; false with the reason in *error when it could not.
    bool save(const QMap<quint32, ModuleConfig>& configs, QString* error = nullptr) const;

private:
    QString m_path;
};

} // namespace velnor
