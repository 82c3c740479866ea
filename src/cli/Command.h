#pragma once

#include "protocol/UploadPlan.h"
#include "protocol/ModuleSetup.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace velnor::cli {

// One command of a command line with its arguments, checked and ready to send. An upload also
// carries its setup and plan, which are prepared before the port is opened.
struct Command
{
    enum class Kind {
        Select,
        Deselect,
        Broadcast,
        Text,
        Clear,
        Predefined,
        CursorPosition,
        CursorLook,
        ClearRow,
        ClearColumn,
        Backlight,
        Character,
        Inputs,
        Output,
        Outputs,
        Serial,
        Upload,
        Save,
        Monitor,
        Ports,
        Scan,
        Watch,
        Commission,
    };

    Kind kind = Kind::Monitor;
    // The command as typed, for messages.
    QStringList words;
    // Select: the module's address.
    int address = 0;
    // The position in the panel's list or option array: predefined text 0 to 9, cursor look and
    // backlight 0 to 2, custom character 0 to 7, output 0 to 7.
    int entry = 0;
    int row = 0;
    int column = 0;
    bool on = false;
    // Prints JSON instead of text: the program's --json, or the command's own.
    bool json = false;
    QString line1;
    QString line2;
    // Upload: the file given, or empty for the settings file's own "LCD" section.
    QString file;
    ModuleSetup setup;
    QList<UploadStep> steps;
    // Scan: at 4800 bit/s as well as at 9600.
    bool bothSpeeds = false;
    // Watch: the time from the start of one read to the start of the next, 0 for one read
    // after another; how many lines it prints, 0 for no end.
    int intervalMs = 0;
    int count = 0;
    // Commission: how long to wait for the module at its new address, in seconds.
    int seconds = 60;

    QString typed() const { return words.join(QLatin1Char(' ')); }
};

// The frame a command sends, by the frame function of its row in the command table. Empty for
// an upload (many frames, paced) and for monitor, and for a text of two empty lines, which
// sends nothing.
QByteArray frameOf(const Command& command);

} // namespace velnor::cli
