#pragma once

#include <QStringList>

// Draws the tools that look at the line: the Ports window, a finished search of the line and
// the input watch beside the main window, on emulated modules, into the three PNGs given.
int drawLineTools(const QStringList& paths);
