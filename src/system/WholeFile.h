#pragma once

#include <QByteArrayView>
#include <QString>

namespace velnor {

// Writes a file whole under another name and then puts it in place, so that the file is either
// as it was or holds every byte. A write the system cut short (a full disk, a size limit) is a
// failure, reported with the system's reason, and leaves the old file as it was.
bool writeWholeFile(const QString& path, QByteArrayView bytes, QString* error);

} // namespace velnor
