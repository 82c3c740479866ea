#pragma once

#include "shared/ModuleLimits.h"

#include <QString>
#include <QtGlobal>

// Bytes with a meaning of their own on the line between the panel and the modules: both the
// panel and the module emulator speak from this one list.
namespace velnor::wire {

constexpr quint8 Select = 0xEF;
constexpr quint8 Deselect = 0xEA;
constexpr quint8 Command = 0xFE;
constexpr quint8 Answer = 0xEE;
// An acknowledgement is the answer byte and the address; an input answer adds two bytes of states.
constexpr int AcknowledgementLength = 2;
constexpr int InputAnswerLength = 4;
// Each state byte of an input answer carries four inputs in its low bits, input 1 in bit 0.
constexpr int InputsPerAnswerByte = 4;
constexpr quint8 Broadcast = 0x64;
// The addresses a module can have; the broadcast address reaches them all.
constexpr quint8 FirstAddress = 101;
constexpr quint8 LastAddress = 132;
constexpr quint8 ClearDisplay = 0x0D;
constexpr quint8 SecondRow = 0x0C;
constexpr quint8 LastCustomCharacter = 0x07;
constexpr quint8 FirstCharacter = 0x20;
// The state letters of the set-output command.
constexpr quint8 OutputHigh = 0x48; // H
constexpr quint8 OutputLow = 0x4C;  // L

// The two speeds modules talk at, in bit/s. At either a byte is framed the same way: eight data
// bits, no parity, one stop bit, so with its start bit it takes ten bit times.
constexpr int FastSpeed = 9600;
constexpr int SlowSpeed = 4800;
constexpr int BitsPerByte = 10;

// A port's settings text for a speed, such as "9600,n,8,1".
inline QString lineSettings(int speed)
{
    return QString::number(speed) + QStringLiteral(",n,8,1");
}

// Whether a port's settings text is at a speed: it begins with it.
inline bool atSpeed(const QString& settings, int speed)
{
    return settings.startsWith(QString::number(speed));
}

// Codes that follow 0xFE.
namespace code {
constexpr quint8 CursorUnderline = 0x01;
constexpr quint8 CursorBlinking = 0x02;
constexpr quint8 CursorHidden = 0x03;
constexpr quint8 BacklightOn = 0x06;
constexpr quint8 BacklightOff = 0x07;
constexpr quint8 NoEffect = 0x08;
constexpr quint8 ShowSerialNumber = 0x09;
constexpr quint8 BacklightFlashing = 0x0B;
constexpr quint8 AllOutputsOn = 0x0C;
constexpr quint8 AllOutputsOff = 0x0D;
constexpr quint8 ReadInputs = 0x0E;
constexpr quint8 Baud9600 = 0x1E;
constexpr quint8 Baud4800 = 0x1F;
constexpr quint8 Store = 0x20;
constexpr quint8 ClearRow = 0x2D;
constexpr quint8 ClearColumn = 0x2E;
constexpr quint8 NewAddress = 0x30;
constexpr quint8 CursorPosition = 0x32;
constexpr quint8 SetOutput = 0x33;
constexpr quint8 ShowText = 0x34;
constexpr quint8 Bitmaps = 0x64;
constexpr quint8 FirstText = 0x65;
constexpr quint8 LastText = 0x6E;
constexpr quint8 StartupScreen = 0xC8;
} // namespace code

// Whether a byte starts a frame wherever it appears outside a command's arguments.
constexpr bool isFrameStart(quint8 byte)
{
    return byte == Select || byte == Deselect || byte == Command;
}

// Whether a byte is a character of typed text: neither a control code (below 0x20, the
// custom characters among them) nor a byte that starts or answers a frame.
constexpr bool isShown(quint8 byte)
{
    return byte >= FirstCharacter && byte != Deselect && byte != Answer && byte != Select &&
           byte != Command;
}

// Number of argument bytes after 0xFE and a code; -1 for a code modules do not know.
constexpr int argumentCount(quint8 c)
{
    switch (c) {
    case code::CursorUnderline:
    case code::CursorBlinking:
    case code::CursorHidden:
    case code::BacklightOn:
    case code::BacklightOff:
    case code::NoEffect:
    case code::ShowSerialNumber:
    case code::BacklightFlashing:
    case code::AllOutputsOn:
    case code::AllOutputsOff:
    case code::ReadInputs:
    case code::Baud9600:
    case code::Baud4800:
    case code::Store:
        return 0;
    case code::ClearRow:
    case code::ClearColumn:
    case code::NewAddress:
        return 1;
    case code::CursorPosition:
    case code::SetOutput:
    case code::ShowText:
        return 2;
    case code::Bitmaps:
        return limits::CustomCharacters * limits::CharacterDotRows;
    case code::StartupScreen:
        return limits::Rows * limits::Columns;
    default:
        return c >= code::FirstText && c <= code::LastText ? limits::Columns : -1;
    }
}

} // namespace velnor::wire
