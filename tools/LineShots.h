#pragma once

#include <QStringList>

// Draws the tools that look at the line into the three PNGs given: the Ports window over a
// made-up desk of adapters, and a finished search of the line and the input watch beside the
// main window, on emulated modules.
int drawLineTools(const QStringList& paths);
