#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velnor::test {

// A file's bytes, or "<unreadable>", so that a missing file never passes for an empty one.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<unreadable>");
}

// Writes the bytes as the whole file, making its folder first.
inline bool put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every name in a folder, hidden ones and folders too, sorted.
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace velnor::test
