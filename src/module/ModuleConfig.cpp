#include "module/ModuleConfig.h"

namespace velnor {

namespace {

// Eight small symbols, so that showing a custom character does something visible before any
// bitmaps were uploaded: bell, heart, smiley, up and down arrows, degree sign, tick, frame.
constexpr quint8 FactoryBitmaps[ModuleConfig::BitmapSize] = {
    0x04, 0x0E, 0x0E, 0x0E, 0x1F, 0x00, 0x04, 0x00, // bell
    0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00, // heart
    0x00, 0x0A, 0x0A, 0x00, 0x11, 0x0E, 0x00, 0x00, // smiley
    0x04, 0x0E, 0x15, 0x04, 0x04, 0x04, 0x04, 0x00, // arrow up
    0x04, 0x04, 0x04, 0x04, 0x15, 0x0E, 0x04, 0x00, // arrow down
    0x0C, 0x12, 0x12, 0x0C, 0x00, 0x00, 0x00, 0x00, // degree
    0x00, 0x01, 0x03, 0x16, 0x1C, 0x08, 0x00, 0x00, // tick
    0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F, 0x00, // frame
};

QByteArray padded(QByteArray bytes, int size)
{
    bytes.resize(size, ' ');
    return bytes;
}

} // namespace

ModuleConfig ModuleConfig::factory(quint8 address)
{
    ModuleConfig config;
    config.address = address;
    config.baud = wire::FastSpeed;
    config.startupScreen = padded("  Serial LCD", TextSize) + padded("  16x2 module", TextSize);
    config.bitmaps = QByteArray(reinterpret_cast<const char*>(FactoryBitmaps), BitmapSize);
    for (int i = 1; i <= TextCount; ++i)
        config.texts.append(padded("Predefined " + QByteArray::number(i), TextSize));
    return config;
}

bool ModuleConfig::isValid() const
{
    if (!isModuleAddress(address) || (baud != wire::FastSpeed && baud != wire::SlowSpeed))
        return false;
    if (startupScreen.size() != StartupSize || bitmaps.size() != BitmapSize)
        return false;
    if (texts.size() != TextCount)
        return false;
    for (const QByteArray& text : texts) {
        if (text.size() != TextSize)
            return false;
    }
    return true;
}

} // namespace velnor
