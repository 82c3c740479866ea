#pragma once

#include "protocol/ModuleSetup.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace velnor {

class IniFile;

// A station's module setup kept in a file of its own: section "LCD", the keys the settings
// file keeps it under, so `velnor-cli upload FILE` sends the same file. Read and written with
// the settings file's own reading and writing.
namespace StationFile {

// Why a file was not taken: the whole message names the file and, where one is at fault, the
// key.
struct Refusal
{
    QString message;
};

// The setup the file holds, or why it is refused: the file cannot be read, holds no setup
// (no UID in section LCD), or holds a value an upload would refuse or read otherwise.
std::variant<ModuleSetup, Refusal> open(const QString& path);
// Writes the setup (every bitmap as the byte the upload sends); the failure, or empty. A
// setup the upload would refuse is refused, naming the key.
QString save(const ModuleSetup& setup, const QString& path);

// The files last opened or saved, newest first, as kept in the settings file; at most kRecent.
constexpr int kRecent = 5;
QStringList recent(const IniFile& settings);
// Puts path first in the list; the failure, or empty.
QString noteRecent(const IniFile& settings, const QString& path);

} // namespace StationFile

} // namespace velnor
