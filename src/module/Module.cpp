#include "module/Module.h"

#include "shared/Wire.h"

namespace velnor {

Module::Module(quint32 serialNumber, quint8 factoryAddress, quint8 inputs)
    : m_serialNumber(serialNumber), m_factoryAddress(factoryAddress), m_address(factoryAddress),
      m_inputs(inputs)
{
    powerUp(ModuleConfig::factory(factoryAddress));
}

void Module::powerUp(const ModuleConfig& stored)
{
    m_stored = stored;
    m_working = stored;
    m_address = stored.address;
    m_baud = stored.baud;
    m_ownSelected = false;
    m_broadcastSelected = false;
    for (int r = 0; r < Rows; ++r) {
        for (int c = 0; c < Columns; ++c)
            m_display[r][c] = quint8(stored.startupScreen.at(r * Columns + c));
    }
    m_cursorRow = 0;
    m_cursorColumn = 0;
    m_cursorLook = CursorLook::Underline;
    m_backlight = Backlight::On;
    m_outputs = 0;
    m_conflicts = 0;
}

QByteArray Module::serialText() const
{
    return QByteArray::number(m_serialNumber).rightJustified(8, '0');
}

quint8 Module::cell(int row, int column) const
{
    return m_display.at(row).at(column);
}

QByteArray Module::row(int row) const
{
    const auto& cells = m_display.at(row);
    return QByteArray(reinterpret_cast<const char*>(cells.data()), Columns);
}

QByteArray Module::customCharacter(int index) const
{
    return m_working.bitmaps.mid(index * 8, 8);
}

void Module::writeText(quint8 byte)
{
    if (byte == wire::ClearDisplay) {
        clearDisplay();
    } else if (byte == wire::SecondRow) {
        m_cursorRow = 1;
        m_cursorColumn = 0;
    } else if (byte <= wire::LastCustomCharacter || byte >= wire::FirstCharacter) {
        put(byte);
    }
    // The remaining control codes mean nothing to a module.
}

void Module::execute(quint8 code, const QByteArray& arguments)
{
    if (arguments.size() != qMax(0, wire::argumentCount(code)))
        return;
    namespace c = wire::code;
    const auto arg = [&arguments](int i) { return quint8(arguments.at(i)); };
    switch (code) {
    case c::CursorUnderline:
        m_cursorLook = CursorLook::Underline;
        break;
    case c::CursorBlinking:
        m_cursorLook = CursorLook::Blinking;
        break;
    case c::CursorHidden:
        m_cursorLook = CursorLook::Hidden;
        break;
    case c::BacklightOn:
        m_backlight = Backlight::On;
        break;
    case c::BacklightOff:
        m_backlight = Backlight::Off;
        break;
    case c::BacklightFlashing:
        m_backlight = Backlight::Flashing;
        break;
    case c::ShowSerialNumber:
        showSerialNumber();
        break;
    case c::AllOutputsOn:
        m_outputs = 0xFF;
        break;
    case c::AllOutputsOff:
        m_outputs = 0;
        break;
    case c::Baud9600:
        m_working.baud = wire::FastSpeed;
        break;
    case c::Baud4800:
        m_working.baud = wire::SlowSpeed;
        break;
    case c::ClearRow:
        if (arg(0) < Rows) {
            m_display[arg(0)].fill(' ');
            m_cursorRow = arg(0);
            m_cursorColumn = 0;
        }
        break;
    case c::ClearColumn:
        if (arg(0) < Columns) {
            for (auto& cells : m_display)
                cells[arg(0)] = ' ';
        }
        break;
    case c::NewAddress:
        if (ModuleConfig::isModuleAddress(arg(0)))
            m_working.address = arg(0);
        break;
    case c::CursorPosition:
        if (arg(0) < Rows && arg(1) < Columns) {
            m_cursorRow = arg(0);
            m_cursorColumn = arg(1);
        }
        break;
    case c::SetOutput:
        if (arg(0) < 8 && (arg(1) == wire::OutputHigh || arg(1) == wire::OutputLow)) {
            const quint8 bit = quint8(1u << arg(0));
            m_outputs =
                arg(1) == wire::OutputHigh ? quint8(m_outputs | bit) : quint8(m_outputs & ~bit);
        }
        break;
    case c::ShowText:
        if (arg(0) >= c::FirstText && arg(0) <= c::LastText && arg(1) < Rows)
            showText(arg(1), m_working.texts.at(arg(0) - c::FirstText));
        break;
    case c::Bitmaps:
        m_working.bitmaps = arguments;
        break;
    case c::StartupScreen:
        m_working.startupScreen = arguments;
        break;
    default:
        if (code >= c::FirstText && code <= c::LastText)
            m_working.texts[code - c::FirstText] = arguments;
        // 0x08 is accepted and changes nothing.
        break;
    }
}

QByteArray Module::acknowledgement() const
{
    QByteArray answer;
    answer.append(char(wire::Answer)).append(char(m_address));
    return answer;
}

QByteArray Module::inputAnswer() const
{
    constexpr int perByte = wire::InputsPerAnswerByte;
    constexpr quint8 low = (1u << perByte) - 1;
    return acknowledgement()
        .append(char(m_inputs & low))
        .append(char((m_inputs >> perByte) & low));
}

void Module::put(quint8 code)
{
    m_display[m_cursorRow][m_cursorColumn] = code;
    if (++m_cursorColumn == Columns) {
        m_cursorColumn = 0;
        m_cursorRow = (m_cursorRow + 1) % Rows;
    }
}

void Module::clearDisplay()
{
    for (auto& cells : m_display)
        cells.fill(' ');
    m_cursorRow = 0;
    m_cursorColumn = 0;
}

void Module::showText(int row, const QByteArray& text)
{
    // The text's bytes are character codes, control codes included: nothing in it acts.
    // Written like text from the row's start, so the cursor ends where sixteen characters
    // typed there would leave it: at the start of the other row.
    m_cursorRow = row;
    m_cursorColumn = 0;
    for (char byte : text)
        put(quint8(byte));
}

void Module::showSerialNumber()
{
    clearDisplay();
    for (char byte : QByteArrayLiteral("Serial number"))
        put(quint8(byte));
    m_cursorRow = 1;
    m_cursorColumn = 0;
    for (char byte : serialText())
        put(quint8(byte));
    m_cursorRow = 0;
    m_cursorColumn = 0;
}

} // namespace velnor
