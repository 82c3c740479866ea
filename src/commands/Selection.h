#pragma once

namespace velnor {

// What the main window lets the user reach, as a value the commands keep: whether a module is
// selected (select button off, deselect button on), whether broadcast mode is on (the address
// group locked), and whether the five sending groups and the input group are open.
struct Selection
{
    bool selected = false;
    bool broadcast = false;
    bool sendingGroupsOpen = false;
    bool inputsOpen = false;

    // The cursor and backlight options send only while a module is addressed; otherwise the
    // choice just stays on screen.
    bool anyAddressed() const { return broadcast || selected; }

    bool operator==(const Selection&) const = default;
};

} // namespace velnor
