#pragma once

#include "shared/ModuleLimits.h"
#include "shared/Wire.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace velnor {

// What a module keeps in its non-volatile store, and what it has been sent since: address,
// speed, start-up screen, custom-character bitmaps and predefined texts.
struct ModuleConfig
{
    static constexpr int StartupSize = limits::Rows * limits::Columns;
    static constexpr int BitmapSize = limits::CustomCharacters * limits::CharacterDotRows;
    static constexpr int TextCount = limits::Texts;
    static constexpr int TextSize = limits::Columns;
    static constexpr quint8 FirstAddress = wire::FirstAddress;
    static constexpr quint8 LastAddress = wire::LastAddress;

    quint8 address = FirstAddress;
    int baud = wire::FastSpeed;
    QByteArray startupScreen;
    QByteArray bitmaps;
    QList<QByteArray> texts;

    // What a module leaves the factory with.
    static ModuleConfig factory(quint8 address);
    // True when every field has its proper size and range, as a loaded store must.
    bool isValid() const;
    static bool isModuleAddress(int address)
    {
        return address >= FirstAddress && address <= LastAddress;
    }

    bool operator==(const ModuleConfig&) const = default;
};

} // namespace velnor
