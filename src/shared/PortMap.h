#pragma once

#include <QString>

#include <functional>

namespace velnor {

// Port numbers as a user maps them to devices in the settings file: the entry for a number
// (empty where there is none), read at every opening so that an entry edited while the
// program runs is used; a way to write an entry (false, with the reason in *error, when the
// file could not be written); and the file a user edits, for the advice on a failed opening.
// The settings layer fills it; the link only calls it.
struct PortMap
{
    // Port numbers are 1 to kPorts.
    static constexpr int kPorts = 20;

    std::function<QString(int number)> entry;
    std::function<bool(int number, const QString& device, QString* error)> assign;
    QString file;
};

} // namespace velnor
