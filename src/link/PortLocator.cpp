#include "link/PortLocator.h"

#include <QDir>

namespace velnor {

QString absoluteDevicePath(const QString& name)
{
    return QDir::isAbsolutePath(name) ? name : QStringLiteral("/dev/") + name;
}

QString platformDevice(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString devicePathForPort(const PortMap& ports, int number)
{
    if (number < 1)
        return {};
    // A user points a port number at a USB adapter or the emulator's terminal here.
    const QString mapped = ports.entry ? ports.entry(number) : QString();
    return mapped.isEmpty() ? platformDevice(number) : mapped;
}

} // namespace velnor
