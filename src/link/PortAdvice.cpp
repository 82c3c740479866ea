#include "link/PortAdvice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include "system/OpenFiles.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace velnor {

namespace {

QString portLine(const PortAdvice::Failure& failure, const PortAdvice::Facts& facts)
{
    const QString example = facts.adapters.value(0, QStringLiteral("/dev/ttyUSB0"));
    return QStringLiteral("To use another device, put the line \"%1=%2\" in section [Ports] of "
                          "%3.")
        .arg(QString::number(failure.port), example,
             QDir::toNativeSeparators(failure.settingsPath));
}

QString notPermitted(const PortAdvice::Failure& failure, const PortAdvice::Facts& facts)
{
    // Where the system does not say, the group most distributions give serial ports.
    const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
    if (facts.group.isEmpty() || (facts.groupMayUse && group != u"root")) {
        return QStringLiteral("Your user may not open %1; members of group %2 may. Join the "
                              "group with\n    sudo usermod -aG %2 $USER\nthen log out and in "
                              "again.")
            .arg(failure.device, group);
    }
    QString text = QStringLiteral("Only its owner, %1, may open %2.")
                       .arg(facts.owner.isEmpty() ? QStringLiteral("another user") : facts.owner,
                            failure.device);
    if (failure.port > 0)
        text += u'\n' + portLine(failure, facts);
    return text;
}

QString inUse(const PortAdvice::Failure& failure, const PortAdvice::Facts& facts)
{
    if (facts.heldHere) {
        return QStringLiteral("%1 is held by this program's configuration window. Close that "
                              "window and try again.")
            .arg(failure.device);
    }
    if (facts.holders.isEmpty()) {
        return QStringLiteral("Another program has %1 open, or the configuration window holds "
                              "it. Close it and try again.")
            .arg(failure.device);
    }
    QStringList holders;
    for (const PortAdvice::Holder& holder : facts.holders)
        holders << QStringLiteral("%1 (process %2)").arg(holder.name).arg(holder.pid);
    return QStringLiteral("%1 is in use by %2. Close %3 and try again.")
        .arg(failure.device, holders.join(QStringLiteral(", ")),
             holders.size() == 1 ? QStringLiteral("that program") : QStringLiteral("them"));
}

QString noDevice(const PortAdvice::Failure& failure, const PortAdvice::Facts& facts)
{
    QStringList lines;
    // Only a name with a slash in it is a path; a bare one means a device under /dev.
    if (failure.port == 0 && !facts.inCurrentFolder.isEmpty()) {
        lines << QStringLiteral("To use the file in the current folder, write %1.")
                     .arg(facts.inCurrentFolder);
    }
    // A device named directly has its reason said already; a port number needs saying what
    // it stands for.
    if (failure.port > 0) {
        lines << (facts.exists ? QStringLiteral("Port %1 names %2, which has no serial port "
                                                "behind it.")
                               : QStringLiteral("Port %1 names %2, which does not exist."))
                     .arg(QString::number(failure.port), failure.device);
        lines << portLine(failure, facts);
    }
    lines << (facts.adapters.isEmpty()
                  ? QStringLiteral("No USB serial adapter is plugged in (/dev/ttyUSB*, "
                                   "/dev/ttyACM*).")
                  : QStringLiteral("Serial adapters present: %1.")
                        .arg(facts.adapters.join(QStringLiteral(", "))));
    return lines.join(u'\n');
}

#ifdef Q_OS_UNIX

// The pseudo-terminal a device is the near end of: its index, as the far end's descriptors
// tell it; -1 for any other device.
int ptyIndex(const struct stat& device)
{
    constexpr unsigned kFirstPtyMajor = 136; // Unix98 terminals take majors 136 to 143
    constexpr unsigned kPtyMajors = 8;
    if (!S_ISCHR(device.st_mode) || major(device.st_rdev) < kFirstPtyMajor ||
        major(device.st_rdev) >= kFirstPtyMajor + kPtyMajors)
        return -1;
    return int((major(device.st_rdev) - kFirstPtyMajor) * 256 + minor(device.st_rdev));
}

// The processes with the file open, among those whose descriptors this user may read, this
// one apart; whether this one holds it with a lock, as a port that is open does, in *here.
// A process holding the far end of the pseudo-terminal the device is provides it and is left
// out, unless it has it locked.
QList<PortAdvice::Holder> holdersOf(const struct stat& device, bool* here)
{
    const auto same = [&device](const struct stat& other) {
        if (S_ISCHR(device.st_mode))
            return S_ISCHR(other.st_mode) && other.st_rdev == device.st_rdev;
        return other.st_dev == device.st_dev && other.st_ino == device.st_ino;
    };
    const int pty = ptyIndex(device);
    const auto farEnd = [pty](const struct stat& other) {
        constexpr unsigned kPtmxMajor = 5;
        constexpr unsigned kPtmxMinor = 2;
        return pty >= 0 && S_ISCHR(other.st_mode) && major(other.st_rdev) == kPtmxMajor &&
               minor(other.st_rdev) == kPtmxMinor;
    };
    QList<PortAdvice::Holder> holders;
    const qint64 self = ::getpid();
    forEachProgramsFiles([&](qint64 pid, const QList<OpenFile>& files) {
        bool holds = false;
        bool locks = false; // as an open port does
        bool provides = false;
        for (const OpenFile& file : files) {
            if (same(file.status)) {
                holds = true;
                locks = locks || !file.info("lock:").isEmpty();
            } else if (farEnd(file.status) && file.info("tty-index:") == QByteArray::number(pty)) {
                provides = true;
            }
        }
        if (pid == self)
            *here = locks;
        // The provider keeps the near end open too, to keep the terminal alive; only a port it
        // opened as well (locked) makes it a user.
        if (!holds || (provides && !locks) || pid == self)
            return true;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString name = comm.open(QIODevice::ReadOnly)
                                 ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                 : QString();
        holders.append({pid, name.isEmpty() ? QStringLiteral("a program") : name});
        return true;
    });
    return holders;
}

#endif

} // namespace

PortAdvice::Cause PortAdvice::causeOf(int errnum)
{
#ifdef Q_OS_UNIX
    switch (errnum) {
    case EACCES:
    case EPERM:
        return Cause::NotPermitted;
    case EBUSY:
        return Cause::InUse;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return Cause::NoDevice;
    default:
        return Cause::Other;
    }
#else
    Q_UNUSED(errnum);
    return Cause::Other;
#endif
}

PortAdvice::Cause PortAdvice::causeOf(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::PermissionError:
        return Cause::NotPermitted;
    case QSerialPort::OpenError:
        return Cause::InUse;
    case QSerialPort::DeviceNotFoundError:
    // What opening a serial device without its hardware reports (EIO).
    case QSerialPort::ResourceError:
        return Cause::NoDevice;
    default:
        return Cause::Other;
    }
}

PortAdvice::Facts PortAdvice::observe(const QString& device)
{
    Facts facts;
#ifdef Q_OS_UNIX
    const QStringList adapters =
        QDir(QStringLiteral("/dev"))
            .entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System,
                       QDir::Name);
    for (const QString& name : adapters)
        facts.adapters << QStringLiteral("/dev/") + name;

    struct stat st = {};
    facts.exists = ::stat(QFile::encodeName(device).constData(), &st) == 0;
    if (!facts.exists) {
        const QString dev = QStringLiteral("/dev/");
        const QString bare = device.mid(dev.size());
        if (device.startsWith(dev) && !bare.contains(u'/') && QFileInfo::exists(bare))
            facts.inCurrentFolder = QStringLiteral("./") + bare;
        return facts;
    }
    if (const group* owners = ::getgrgid(st.st_gid))
        facts.group = QString::fromLocal8Bit(owners->gr_name);
    facts.groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (const passwd* owner = ::getpwuid(st.st_uid))
        facts.owner = QString::fromLocal8Bit(owner->pw_name);
    facts.holders = holdersOf(st, &facts.heldHere);
#else
    Q_UNUSED(device);
#endif
    return facts;
}

QString PortAdvice::text(const Failure& failure, const Facts& facts)
{
    switch (failure.cause) {
    case Cause::NotPermitted:
        return notPermitted(failure, facts);
    case Cause::InUse:
        return inUse(failure, facts);
    case Cause::NoDevice:
        return noDevice(failure, facts);
    case Cause::Other:
        break;
    }
    return {};
}

} // namespace velnor
