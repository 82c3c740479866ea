#include "protocol/Frames.h"

#include "protocol/SafeText.h"
#include "shared/ModuleLimits.h"
#include "shared/Wire.h"

#include <initializer_list>

namespace velnor::frames {

namespace {

constexpr int kRows = limits::Rows;
constexpr int kColumns = limits::Columns;
constexpr int kTexts = limits::Texts;
constexpr int kOutputs = limits::Outputs;
constexpr int kCustomCharacters = limits::CustomCharacters;
constexpr int kLineLength = limits::Columns;
const QString kRowSeparatorShown = QStringLiteral(" [0x12] ");

QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray frame;
    frame.reserve(qsizetype(list.size()));
    for (quint8 byte : list)
        frame.append(char(byte));
    return frame;
}

QByteArray command(quint8 code)
{
    return bytes({wire::Command, code});
}

bool within(int value, int count)
{
    return value >= 0 && value < count;
}

// One of three codes by a control array's index; empty for any other index.
QByteArray commandOf(int index, quint8 first, quint8 second, quint8 third)
{
    switch (index) {
    case 0:
        return command(first);
    case 1:
        return command(second);
    case 2:
        return command(third);
    default:
        return {};
    }
}

} // namespace

QByteArray select(quint8 address)
{
    return bytes({wire::Select, address});
}

QByteArray deselect()
{
    return bytes({wire::Deselect});
}

QByteArray broadcastOn()
{
    return bytes({wire::Select, wire::Broadcast});
}

QByteArray broadcastOff()
{
    return bytes({wire::Deselect, wire::Broadcast});
}

std::optional<TextFrame> text(const QString& line1, const QString& line2)
{
    if (line1.isEmpty() && line2.isEmpty())
        return std::nullopt;
    TextFrame frame;
    frame.bytes.append(char(wire::ClearDisplay));
    const QByteArray first = safeText(line1);
    const QByteArray second = safeText(line2);
    frame.bytes.append(first);
    // A full first row already leaves the cursor at the start of the second.
    const bool separated = !line2.isEmpty() && line1.size() < kLineLength;
    if (separated)
        frame.bytes.append(char(wire::SecondRow));
    frame.bytes.append(second);
    // The monitor shows what went out: a character the line cannot carry shows as its '?'.
    const QString shown1 = QString::fromLatin1(first);
    const QString shown2 = QString::fromLatin1(second);
    frame.monitor = separated ? shown1 + kRowSeparatorShown + shown2 : shown1 + shown2;
    return frame;
}

QByteArray clearDisplay()
{
    return bytes({wire::ClearDisplay});
}

QByteArray predefinedText(int entry, int row)
{
    if (!within(entry, kTexts) || !within(row, kRows))
        return {};
    return bytes(
        {wire::Command, wire::code::ShowText, quint8(wire::code::FirstText + entry), quint8(row)});
}

QByteArray cursorPosition(int row, int column)
{
    if (!within(row, kRows) || !within(column, kColumns))
        return {};
    return bytes({wire::Command, wire::code::CursorPosition, quint8(row), quint8(column)});
}

QByteArray clearRow(int row)
{
    if (!within(row, kRows))
        return {};
    return bytes({wire::Command, wire::code::ClearRow, quint8(row)});
}

QByteArray clearColumn(int column)
{
    if (!within(column, kColumns))
        return {};
    return bytes({wire::Command, wire::code::ClearColumn, quint8(column)});
}

QByteArray cursorLook(int index)
{
    namespace c = wire::code;
    return commandOf(index, c::CursorUnderline, c::CursorBlinking, c::CursorHidden);
}

QByteArray backlight(int index)
{
    namespace c = wire::code;
    return commandOf(index, c::BacklightOn, c::BacklightOff, c::BacklightFlashing);
}

QByteArray customCharacter(int index)
{
    if (!within(index, kCustomCharacters))
        return {};
    return bytes({quint8(index)});
}

QByteArray readInputs()
{
    return command(wire::code::ReadInputs);
}

QByteArray allOutputsOn()
{
    return command(wire::code::AllOutputsOn);
}

QByteArray allOutputsOff()
{
    return command(wire::code::AllOutputsOff);
}

QByteArray setOutput(int output, bool on)
{
    if (!within(output, kOutputs))
        return {};
    return bytes({wire::Command, wire::code::SetOutput, quint8(output),
                  quint8(on ? wire::OutputHigh : wire::OutputLow)});
}

QByteArray showSerialNumber()
{
    return command(wire::code::ShowSerialNumber);
}

QByteArray enterConfiguration()
{
    return bytes({wire::Select, wire::Broadcast, wire::ClearDisplay});
}

QByteArray baudRate(bool at9600)
{
    return command(at9600 ? wire::code::Baud9600 : wire::code::Baud4800);
}

QByteArray newAddress(int address)
{
    if (address < wire::FirstAddress || address > wire::LastAddress)
        return {};
    return bytes({wire::Command, wire::code::NewAddress, quint8(address)});
}

QByteArray startupScreenHeader()
{
    return command(wire::code::StartupScreen);
}

QByteArray bitmapsHeader()
{
    return command(wire::code::Bitmaps);
}

QByteArray noEffect()
{
    return command(wire::code::NoEffect);
}

QByteArray storeTextHeader(int index)
{
    if (!within(index, kTexts))
        return {};
    return command(quint8(wire::code::FirstText + index));
}

QByteArray saveToNonVolatileMemory()
{
    return bytes({wire::Select, wire::Broadcast, wire::Command, wire::code::Store});
}

} // namespace velnor::frames
