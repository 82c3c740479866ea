#include "module/LineMirror.h"

#include "shared/Wire.h"

namespace velnor {

namespace {

using Kind = DecodedFrame::Kind;
namespace c = wire::code;

quint8 addressAt(size_t index)
{
    return quint8(wire::FirstAddress + index);
}

} // namespace

LineMirror::LineMirror()
    : m_entries([]<size_t... I>(std::index_sequence<I...>) {
          return std::array<Entry, Modules>{Entry(addressAt(I))...};
      }(std::make_index_sequence<Modules>()))
{
}

void LineMirror::sent(QByteArrayView bytes)
{
    // One write is whole, as the traffic log takes it: a text or a lone deselect ends with it.
    for (const DecodedFrame& frame : m_decoder.sent(bytes))
        apply(frame);
    for (const DecodedFrame& frame : m_decoder.pauseSent())
        apply(frame);
}

void LineMirror::newLine()
{
    for (int i = 0; i < Modules; ++i) {
        m_entries[size_t(i)] = Entry(addressAt(size_t(i)));
        m_changed.set(size_t(i));
    }
    m_decoder = FrameDecoder();
    m_own.reset();
    m_broadcast.reset();
}

QList<quint8> LineMirror::listed() const
{
    QList<quint8> addresses;
    for (int address = wire::FirstAddress; address <= wire::LastAddress; ++address) {
        if (at(address).listed)
            addresses.append(quint8(address));
    }
    return addresses;
}

void LineMirror::list(quint8 address)
{
    if (isModule(address) && !at(address).listed) {
        at(address).listed = true;
        touch(address);
    }
}

QList<quint8> LineMirror::takeChanged()
{
    QList<quint8> addresses;
    for (int i = 0; i < Modules; ++i) {
        if (m_changed.test(size_t(i)))
            addresses.append(quint8(wire::FirstAddress + i));
    }
    m_changed.reset();
    return addresses;
}

Screen LineMirror::screen(quint8 address) const
{
    const Entry& entry = at(address);
    Screen screen = Screen::of(entry.module);
    screen.knownCells = entry.knownCells;
    screen.knownCharacters = entry.knownCharacters;
    screen.cursorPlaceKnown = entry.cursorPlaceKnown;
    screen.cursorLook = entry.cursorLook;
    screen.backlight = entry.backlight;
    screen.storedText = entry.storedText;
    return screen;
}

QList<int> LineMirror::targets(bool* sure) const
{
    QList<int> reached;
    *sure = m_own.has_value() && m_broadcast.has_value();
    if (!*sure || *m_broadcast) {
        *sure = *sure || m_broadcast.value_or(false);
        for (int address = wire::FirstAddress; address <= wire::LastAddress; ++address)
            reached.append(address);
    } else if (isModule(*m_own)) {
        reached.append(*m_own);
    }
    return reached;
}

void LineMirror::apply(const DecodedFrame& frame)
{
    const QByteArray& bytes = frame.bytes;
    if (bytes.isEmpty())
        return;
    const auto first = quint8(bytes.at(0));
    if (frame.kind == Kind::Select && bytes.size() == 2) {
        select(quint8(bytes.at(1)));
        return;
    }
    if (frame.kind == Kind::Deselect) {
        // 0xEA alone lets the own module go; 0xEA 0x64 ends broadcast and keeps it.
        if (bytes.size() == 2)
            m_broadcast = false;
        else
            m_own = -1;
        return;
    }
    if (frame.kind == Kind::BlockHeader) {
        m_blockCode = quint8(bytes.at(1));
        return;
    }
    const bool isCommand = frame.kind == Kind::Command || frame.kind == Kind::Block;
    // An unknown command is skipped by the modules, its code with it.
    if (frame.kind == Kind::NoFrame && first == wire::Command && bytes.size() == 2)
        return;
    if (!isCommand && frame.kind != Kind::Text && frame.kind != Kind::CustomCharacter &&
        frame.kind != Kind::NoFrame)
        return;
    if (isCommand && first == wire::Command && bytes.size() >= 2 &&
        (quint8(bytes.at(1)) == c::ReadInputs || quint8(bytes.at(1)) == c::Store))
        return;
    // Anything but a cursor, backlight or output command may write over a row's stored text;
    // showing a stored text sets its own row's.
    const auto code = frame.kind == Kind::Command ? quint8(bytes.at(1)) : quint8(0);
    const bool keepsStoredTexts =
        code == c::CursorUnderline || code == c::CursorBlinking || code == c::CursorHidden ||
        code == c::BacklightOn || code == c::BacklightOff || code == c::BacklightFlashing ||
        code == c::AllOutputsOn || code == c::AllOutputsOff || code == c::SetOutput ||
        code == c::CursorPosition || code == c::ShowText;
    bool sure = false;
    for (int address : targets(&sure)) {
        Entry& entry = at(address);
        touch(address);
        if (!keepsStoredTexts)
            entry.storedText = {};
        if (!sure) {
            forget(entry);
        } else if (frame.kind == Kind::Block) {
            command(entry, m_blockCode, bytes);
        } else if (frame.kind == Kind::Command) {
            command(entry, quint8(bytes.at(1)), bytes.mid(2));
        } else if (frame.kind == Kind::NoFrame && wire::isFrameStart(first)) {
            // A frame cut short: what the modules made of it is not known.
            forget(entry);
        } else {
            for (char byte : bytes)
                text(entry, quint8(byte));
        }
    }
}

void LineMirror::select(quint8 address)
{
    if (address == wire::Broadcast) {
        m_broadcast = true;
        return;
    }
    // Selecting one module ends broadcast on every module.
    m_broadcast = false;
    m_own = address;
    if (m_listing)
        list(address);
}

void LineMirror::text(Entry& entry, quint8 byte)
{
    Module& module = entry.module;
    if (byte == wire::ClearDisplay) {
        entry.knownCells.set();
        entry.cursorPlaceKnown = true;
    } else if (byte == wire::SecondRow) {
        entry.cursorPlaceKnown = true;
    } else if (byte <= wire::LastCustomCharacter || byte >= wire::FirstCharacter) {
        // Written where the cursor is: with the cursor not known, any cell may have changed.
        if (entry.cursorPlaceKnown)
            entry.knownCells.set(
                size_t(module.cursorRow() * Screen::Columns + module.cursorColumn()));
        else
            entry.knownCells.reset();
    }
    module.writeText(byte);
}

void LineMirror::command(Entry& entry, quint8 code, const QByteArray& arguments)
{
    Module& module = entry.module;
    if (arguments.size() != qMax(0, wire::argumentCount(code)))
        return;
    const auto arg = [&arguments](int i) { return quint8(arguments.at(i)); };
    module.execute(code, arguments);
    switch (code) {
    case c::CursorUnderline:
    case c::CursorBlinking:
    case c::CursorHidden:
        entry.cursorLook = module.cursorLook();
        break;
    case c::BacklightOn:
    case c::BacklightOff:
    case c::BacklightFlashing:
        entry.backlight = module.backlight();
        break;
    case c::ShowSerialNumber:
        // The panel does not know the serial number: only where it stands.
        entry.knownCells.set();
        for (int column = 0; column < 8; ++column)
            entry.knownCells.reset(size_t(Screen::Columns + column));
        entry.cursorPlaceKnown = true;
        break;
    case c::AllOutputsOn:
    case c::AllOutputsOff:
        entry.knownOutputs = 0xFF;
        break;
    case c::ClearRow:
        if (arg(0) < Screen::Rows) {
            for (int column = 0; column < Screen::Columns; ++column)
                entry.knownCells.set(size_t(arg(0) * Screen::Columns + column));
            entry.cursorPlaceKnown = true;
        }
        break;
    case c::ClearColumn:
        if (arg(0) < Screen::Columns) {
            for (int row = 0; row < Screen::Rows; ++row)
                entry.knownCells.set(size_t(row * Screen::Columns + arg(0)));
        }
        break;
    case c::CursorPosition:
        if (arg(0) < Screen::Rows && arg(1) < Screen::Columns)
            entry.cursorPlaceKnown = true;
        break;
    case c::SetOutput:
        if (arg(0) < 8 && (arg(1) == wire::OutputHigh || arg(1) == wire::OutputLow))
            entry.knownOutputs |= quint8(1u << arg(0));
        break;
    case c::ShowText:
        if (arg(0) >= c::FirstText && arg(0) <= c::LastText && arg(1) < Screen::Rows) {
            // Sixteen characters fill the row and leave the cursor at the other row's start.
            const bool known = entry.knownTexts.test(size_t(arg(0) - c::FirstText));
            entry.storedText[arg(1)] = known ? 0 : arg(0) - c::FirstText + 1;
            for (int column = 0; column < Screen::Columns; ++column)
                entry.knownCells.set(size_t(arg(1) * Screen::Columns + column), known);
            entry.cursorPlaceKnown = true;
        }
        break;
    case c::Bitmaps:
        entry.knownCharacters.set();
        break;
    default:
        if (code >= c::FirstText && code <= c::LastText)
            entry.knownTexts.set(size_t(code - c::FirstText));
        break;
    }
}

void LineMirror::unanswered(quint8 address)
{
    if (!isModule(address))
        return;
    Entry& entry = at(address);
    forget(entry);
    entry.listed = false;
    touch(address);
    if (m_own == address)
        m_own = -1;
}

void LineMirror::forget(Entry& entry)
{
    const bool listed = entry.listed;
    const quint8 address = quint8(entry.module.address());
    entry = Entry(address);
    entry.listed = listed;
}

} // namespace velnor
