#include "cli/Command.h"

#include "protocol/Frames.h"

namespace velnor::cli {

QByteArray frameOf(const Command& command)
{
    using Kind = Command::Kind;
    switch (command.kind) {
    case Kind::Select:
        return frames::select(quint8(command.address));
    case Kind::Deselect:
        return frames::deselect();
    case Kind::Broadcast:
        return command.on ? frames::broadcastOn() : frames::broadcastOff();
    case Kind::Text: {
        const auto frame = frames::text(command.line1, command.line2);
        return frame ? frame->bytes : QByteArray();
    }
    case Kind::Clear:
        return frames::clearDisplay();
    case Kind::Predefined:
        return frames::predefinedText(command.entry, command.row);
    case Kind::CursorPosition:
        return frames::cursorPosition(command.row, command.column);
    case Kind::CursorLook:
        return frames::cursorLook(command.entry);
    case Kind::ClearRow:
        return frames::clearRow(command.row);
    case Kind::ClearColumn:
        return frames::clearColumn(command.column);
    case Kind::Backlight:
        return frames::backlight(command.entry);
    case Kind::Character:
        return frames::customCharacter(command.entry);
    case Kind::Inputs:
        return frames::readInputs();
    case Kind::Output:
        return frames::setOutput(command.entry, command.on);
    case Kind::Outputs:
        return command.on ? frames::allOutputsOn() : frames::allOutputsOff();
    case Kind::Serial:
        return frames::showSerialNumber();
    case Kind::Save:
        return frames::saveToNonVolatileMemory();
    case Kind::Upload:
    case Kind::Monitor:
        return {};
    }
    return {};
}

} // namespace velnor::cli
