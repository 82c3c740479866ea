#pragma once

#include "protocol/ModuleSetup.h"

#include <QStringList>

namespace velnor {

class IniFile;
class IniLock;

// A module setup as section "LCD" of the settings file holds it.
//
// Loading cuts every text to its box's limit and takes a bitmap value whole, as it stands:
// nothing is validated here. "Baud" other than exactly "9600" means 4800.
ModuleSetup loadModuleSetup(const IniFile& settings);
// Writes UID, Baud, Line1, Line2, PT1 to PT10, then Custom1 to Custom64 in one write of the
// file; a key that cannot be stored does not keep the others out. Returns the failures, one
// text for each key that was not written. held: the file's lock, taken already.
QStringList saveModuleSetup(const ModuleSetup& setup, const IniFile& settings,
                            const IniLock* held = nullptr);

} // namespace velnor
