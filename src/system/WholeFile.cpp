#include "system/WholeFile.h"

#include <QSaveFile>

namespace velnor {

bool writeWholeFile(const QString& path, QByteArrayView bytes, QString* error)
{
    QSaveFile file(path);
    // A short write is not an error to QSaveFile: committed, it would replace the old file
    // with the first part of the new one.
    if (file.open(QIODevice::WriteOnly) &&
        file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace velnor
