#pragma once

#include <QtGlobal>

namespace velnor {

// The module a line has selected, as a value its user keeps and hands to the runner: which
// address, whether an answer from it came since the select or the last input read, and what
// the main window lets the user reach (whether a module is selected, broadcast mode, whether
// the five sending groups and the input group are open).
struct Selection
{
    bool selected = false;
    bool broadcast = false;
    bool sendingGroupsOpen = false;
    bool inputsOpen = false;
    quint8 address = 0;
    // A deselect counts this answer as its own: the module answered the select already.
    bool acknowledged = false;

    // The cursor and backlight options send only while a module is addressed; otherwise the
    // choice just stays on screen.
    bool anyAddressed() const { return broadcast || selected; }

    bool operator==(const Selection&) const = default;
};

} // namespace velnor
