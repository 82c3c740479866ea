#include "settings/StartupSettings.h"

#include "settings/IniFile.h"

#include <QFileInfo>

namespace velnor {

namespace {

// A whole number in [low, high] from a settings value, or fallback.
int numberIn(const QString& text, int low, int high, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

} // namespace

StartupSettings StartupSettings::read(const IniFile& settings)
{
    StartupSettings startup;
    const auto value = [&settings](const char* section, const char* key) {
        return settings.read(QLatin1String(section), QLatin1String(key));
    };
    startup.port = numberIn(value("Settings", "CommPort"), 1, kPorts, 1);
    // With no file at all, or none that can be read, the program starts as designed, at 9600
    // bit/s; a file without the key starts at 4800, as an empty setting always has.
    if (QFileInfo(settings.path()).isFile() && settings.unreadable().isEmpty())
        startup.lineSettings = value("Settings", "Setting");
    startup.address = numberIn(value("LCD", "UID"), kFirstAddress, kLastAddress, kFirstAddress);
    return startup;
}

PortMap portMapOf(const IniFile& settings)
{
    const QString section = QStringLiteral("Ports");
    return {[settings, section](int number) {
                return settings.read(section, QString::number(number));
            },
            [settings, section](int number, const QString& device, QString* error) {
                return settings.write(section, QString::number(number), device, error);
            },
            settings.path()};
}

} // namespace velnor
