#pragma once

#include <QString>

// Draws the Displays window beside the emulator's window showing the same modules, after the
// main window sent them a few screens over an emulated line, into the PNG given.
namespace velnor {
int drawDisplays(const QString& path);
} // namespace velnor
