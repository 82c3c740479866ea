#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

#include <sys/stat.h>

namespace velnor {

// One descriptor a running program holds: what it leads to and what the system says of it.
struct OpenFile
{
    int fd = -1;
    QByteArray target;       // the path it was opened by, as the system tells it
    struct stat status = {}; // all zero when it could not be looked at
    QByteArray infoPath;     // where the system tells more of it

    // A field of what the system tells of the descriptor ("lock:", "tty-index:"), or empty.
    QByteArray info(const char* field) const;
};

// Calls visit with each running program whose descriptors this user may read, and those
// descriptors, until visit returns false.
void forEachProgramsFiles(const std::function<bool(qint64 pid, const QList<OpenFile>&)>& visit);

} // namespace velnor
