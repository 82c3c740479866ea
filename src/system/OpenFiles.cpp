#include "system/OpenFiles.h"

#include <QFile>

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

namespace velnor {

QByteArray OpenFile::info(const char* field) const
{
    QFile file(QFile::decodeName(infoPath));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed();
    }
    return {};
}

void forEachProgramsFiles(const std::function<bool(qint64 pid, const QList<OpenFile>&)>& visit)
{
    DIR* programs = ::opendir("/proc");
    if (!programs)
        return;
    bool more = true;
    while (const dirent* program = more ? ::readdir(programs) : nullptr) {
        if (program->d_name[0] < '1' || program->d_name[0] > '9')
            continue;
        const QByteArray proc = QByteArray("/proc/") + program->d_name;
        // Programs of other users, and those that just ended, cannot be looked into: skipped.
        DIR* fds = ::opendir((proc + "/fd").constData());
        if (!fds)
            continue;
        QList<OpenFile> files;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.')
                continue;
            OpenFile file;
            file.fd = QByteArray(fd->d_name).toInt();
            char target[PATH_MAX];
            const ssize_t n = ::readlinkat(::dirfd(fds), fd->d_name, target, sizeof target);
            file.target = QByteArray(target, n > 0 ? n : 0);
            if (::fstatat(::dirfd(fds), fd->d_name, &file.status, 0) != 0)
                file.status = {};
            file.infoPath = proc + "/fdinfo/" + fd->d_name;
            files.append(file);
        }
        ::closedir(fds);
        more = visit(QByteArray(program->d_name).toLongLong(), files);
    }
    ::closedir(programs);
}

} // namespace velnor
