#pragma once

#include "shared/PortMap.h"
#include "shared/Wire.h"

#include <QString>

namespace velnor {

class IniFile;

// What the panel starts with: the port number and line settings of section "Settings" and the
// module address "UID" of section "LCD". The window and velnor-cli read them the same way.
struct StartupSettings
{
    static constexpr int kPorts = PortMap::kPorts;
    // The address list starts with the broadcast address, then the modules' own.
    static constexpr int kFirstAddress = wire::Broadcast;
    static constexpr int kLastAddress = wire::LastAddress;

    // 1 to 20: "CommPort", or 1 when it is none of them.
    int port = 1;
    // "Setting" as the file holds it; "9600,n,8,1" when there is no file at all.
    QString lineSettings = wire::lineSettings(wire::FastSpeed);
    // 100 to 132: "UID", or 100 when it is none of them.
    int address = kFirstAddress;

    static StartupSettings read(const IniFile& settings);
    // The line the panel settles on at start: a text that begins with 9600 is used as it is,
    // any other means 4800 bit/s.
    bool at9600() const { return wire::atSpeed(lineSettings, wire::FastSpeed); }
    QString settledLine() const
    {
        return at9600() ? lineSettings : wire::lineSettings(wire::SlowSpeed);
    }
};

// Section "Ports" of settings as the port map: each lookup reads the file again, and an
// assignment writes the entry there.
PortMap portMapOf(const IniFile& settings);

} // namespace velnor
