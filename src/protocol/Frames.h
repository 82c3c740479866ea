#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Every frame the panel sends, as a value: a function from the command's arguments to its bytes.
// An argument outside the range a module understands gives an empty frame, which nobody sends.
namespace velnor::frames {

// Selecting and releasing modules. The broadcast address selects every module at once.
QByteArray select(quint8 address);
QByteArray deselect();
QByteArray broadcastOn();
QByteArray broadcastOff();

// The display's text. The text frame clears the display first; 0x0C moves to the second row
// unless the first line already filled the first one.
struct TextFrame
{
    QByteArray bytes;
    // What the traffic monitor shows instead of hex: the two lines as sent, with " [0x12] "
    // where the row separator goes.
    QString monitor;
};
// Nothing when both lines are empty. Each line goes out by safeText().
std::optional<TextFrame> text(const QString& line1, const QString& line2);
QByteArray clearDisplay();
// entry 0 to 9 of the predefined-text list (texts 101 to 110), row 0 or 1.
QByteArray predefinedText(int entry, int row);

// Cursor and display.
QByteArray cursorPosition(int row, int column);
QByteArray clearRow(int row);
QByteArray clearColumn(int column);
// 0 underline, 1 blinking, 2 hidden.
QByteArray cursorLook(int index);
// 0 on, 1 off, 2 flashing.
QByteArray backlight(int index);
// Custom character 0 to 7 at the cursor.
QByteArray customCharacter(int index);

// Inputs, outputs, serial number.
QByteArray readInputs();
QByteArray allOutputsOn();
QByteArray allOutputsOff();
// output 0 to 7.
QByteArray setOutput(int output, bool on);
QByteArray showSerialNumber();

// Configuration.
// Selects every module and clears their displays; "Config. Mode" follows as text.
QByteArray enterConfiguration();
inline const QString kConfigModeText = QStringLiteral("Config. Mode");
QByteArray baudRate(bool at9600);
// A module's own address, 101 to 132.
QByteArray newAddress(int address);
QByteArray startupScreenHeader();
QByteArray bitmapsHeader();
// FE 08 changes nothing on a module; the upload sends it after the bitmaps.
QByteArray noEffect();
// Predefined text 0 to 9; its 16 characters follow.
QByteArray storeTextHeader(int index);
// Selects every module and tells them to keep what they were sent.
QByteArray saveToNonVolatileMemory();

} // namespace velnor::frames
