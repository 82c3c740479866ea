#include "link/PortLocator.h"

#include "settings/IniFile.h"

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

QString devicePathForPort(int number, const IniFile& settings)
{
    if (number < 1)
        return {};
    // A user points a port number at a USB adapter or the emulator's terminal here.
    const QString mapped = settings.read(QStringLiteral("Ports"), QString::number(number));
    return mapped.isEmpty() ? platformDevice(number) : mapped;
}

PortMap portMapOf(const IniFile& settings)
{
    return {[settings](int number) { return devicePathForPort(number, settings); },
            settings.path()};
}

} // namespace velnor
