#include "link/QtSerialPort.h"

#include "link/LineSettings.h"
#include "link/PortLocator.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace velnor {

namespace {

// The path the port is opened by. A symlink (a udev alias, or a link to the emulator's terminal)
// is followed to the device itself, so that the port's lock file has one name however the device
// is reached.
QString resolvedDevice(const QString& device)
{
#ifdef Q_OS_UNIX
    const QString absolute = absoluteDevicePath(device);
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    // A missing device keeps its name, so opening it reports that it does not exist.
    return canonical.isEmpty() ? absolute : canonical;
#else
    return device;
#endif
}

QString failure(const QString& device, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(device, reason);
}

#ifdef Q_OS_UNIX
// An open descriptor on the device that asks whether another program holds it in the kernel's
// exclusive mode, which root passes unhindered. It stays open until the port itself is open, so
// that closing it is never the device's last close, which would hang up the line.
class ExclusiveProbe
{
public:
    explicit ExclusiveProbe(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(),
                      O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~ExclusiveProbe()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ExclusiveProbe(const ExclusiveProbe&) = delete;
    ExclusiveProbe& operator=(const ExclusiveProbe&) = delete;

    bool heldExclusively() const
    {
        int exclusive = 0;
        return m_fd >= 0 && ::ioctl(m_fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    }

private:
    int m_fd;
};
#endif

} // namespace

QtSerialPort::QtSerialPort(PortMap ports, QObject* parent)
    : SerialPort(parent), m_ports(std::move(ports)), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::readAvailable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::handleError);
}

QtSerialPort::~QtSerialPort()
{
    closePort();
    m_port.disconnect(this);
}

void QtSerialPort::setCommPort(int number)
{
    m_commPort = number;
}

int QtSerialPort::commPort() const
{
    return m_commPort;
}

void QtSerialPort::setSettings(const QString& settings)
{
    m_settings = settings;
}

QString QtSerialPort::settings() const
{
    return m_settings;
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

bool QtSerialPort::setPortOpen(bool open)
{
    if (open == m_port.isOpen())
        return true;
    if (!open) {
        closePort();
        return true;
    }
    return openPort();
}

bool QtSerialPort::output(const QByteArray& bytes)
{
    if (!m_port.isOpen()) {
        m_error = failure(devicePath(), QStringLiteral("the port is not open"));
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        m_error = failure(m_device, m_port.errorString());
        return false;
    }
    return true;
}

QString QtSerialPort::errorString() const
{
    return m_error;
}

QString QtSerialPort::devicePath() const
{
    return m_namedDevice.isEmpty() ? devicePathForPort(m_ports, m_commPort) : m_namedDevice;
}

bool QtSerialPort::openPort()
{
    m_error.clear();
    QString why;
    const auto line = LineSettings::parse(m_settings, &why);
    if (!line) {
        m_error = QStringLiteral("Settings \"%1\" cannot be used: %2").arg(m_settings, why);
        return false;
    }
    // Looked up at every opening, so a "Ports" entry edited while the program runs is used.
    m_device = devicePath();
    if (m_device.isEmpty()) {
        m_error = QStringLiteral("Port %1 names no device").arg(m_commPort);
        return false;
    }

    const QString resolved = resolvedDevice(m_device);
    m_port.setPortName(resolved);
    m_port.setBaudRate(line->baudRate);
    m_port.setParity(line->parity);
    m_port.setDataBits(line->dataBits);
    m_port.setStopBits(line->stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
#ifdef Q_OS_UNIX
    const ExclusiveProbe probe(resolved);
    if (probe.heldExclusively()) {
        m_error = openFailure(PortAdvice::Cause::InUse, qt_error_string(EBUSY));
        return false;
    }
#endif
    // The modem lines stay as opening sets them; a pseudo-terminal has none to set.
    if (!m_port.open(QIODevice::ReadWrite)) {
        QString reason = m_port.errorString();
        PortAdvice::Cause cause = PortAdvice::causeOf(m_port.error());
#ifdef Q_OS_UNIX
        // A lock file held by someone else reads as a permission error. When the device itself
        // is open to us, the truth is that it is in use, not that the user lacks a group.
        if (m_port.error() == QSerialPort::PermissionError &&
            ::access(QFile::encodeName(resolved).constData(), R_OK | W_OK) == 0) {
            reason = qt_error_string(EBUSY);
            cause = PortAdvice::Cause::InUse;
        }
#endif
        m_error = openFailure(cause, reason);
        return false;
    }
    if (!lockExclusively())
        return false;
    // Bytes the device took in while nobody had it open were meant for no frame of ours; they
    // would reach us after opening and sit in front of the first answer.
    m_port.clear(QSerialPort::Input);
    return true;
}

bool QtSerialPort::lockExclusively()
{
#ifdef Q_OS_UNIX
    // Lock files only stop programs that honour them, and the kernel's exclusive mode does not
    // stop root; an advisory lock on the device itself closes both gaps.
    if (::flock(int(m_port.handle()), LOCK_EX | LOCK_NB) == 0)
        return true;
    // A device that takes no locks at all is still usable; only another holder refuses it.
    if (errno != EWOULDBLOCK)
        return true;
    m_closing = true;
    m_port.close();
    m_closing = false;
    m_error = openFailure(PortAdvice::Cause::InUse, qt_error_string(EBUSY));
    return false;
#else
    return true;
#endif
}

void QtSerialPort::closePort()
{
    if (!m_port.isOpen())
        return;
    // Closing drops whatever the port still holds unwritten, so hand it to the device first.
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.flush())
            break;
    }
    m_closing = true;
    m_port.close();
    m_closing = false;
    discardInput();
}

void QtSerialPort::readAvailable()
{
    deliver(m_port.readAll());
}

void QtSerialPort::handleError(QSerialPort::SerialPortError error)
{
    if (m_closing || !m_port.isOpen())
        return;
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
        error != QSerialPort::WriteError)
        return;
    // A device that went away (an unplugged adapter, a terminal whose far end closed) fails every
    // read again at once for as long as it stays open. Close it once, without a word; the next
    // frame opens it again or reports why it cannot.
    m_closing = true;
    m_port.close();
    m_closing = false;
    discardInput();
    m_error = failure(m_device, QStringLiteral("the connection was lost"));
}

QString QtSerialPort::openFailure(PortAdvice::Cause cause, const QString& reason) const
{
    // The path tried: a bare name was looked for under /dev.
#ifdef Q_OS_UNIX
    const QString tried = absoluteDevicePath(m_device);
#else
    const QString tried = m_device;
#endif
    const QString advice =
        PortAdvice::text({cause, tried, m_namedDevice.isEmpty() ? m_commPort : 0, m_ports.file});
    return failure(tried, reason) + (advice.isEmpty() ? QString() : u'\n' + advice);
}

} // namespace velnor
