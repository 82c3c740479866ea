#pragma once

#include <QString>

// Draws the "Commission Modules" window at work into the PNG given: two modules of a line
// commissioned on an emulated bench (one new at 4800), the third waiting to be switched off
// and on.
int drawCommission(const QString& path);
