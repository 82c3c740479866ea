#include "protocol/ModuleSetup.h"

#include "shared/Wire.h"

namespace velnor {

std::optional<int> ModuleSetup::address() const
{
    for (int address = wire::FirstAddress; address <= wire::LastAddress; ++address) {
        if (uid == QString::number(address))
            return address;
    }
    return std::nullopt;
}

} // namespace velnor
