#pragma once

#include "module/ModuleConfig.h"
#include "shared/ModuleLimits.h"
#include "shared/Wire.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace velnor {

// One display module on the line: its selections, 16x2 display with cursor and backlight,
// inputs and outputs, and the configuration it was sent beside the one it has stored.
class Module
{
public:
    static constexpr int Rows = limits::Rows;
    static constexpr int Columns = limits::Columns;
    static constexpr quint8 AllInputsOpen = 0xFF;

    enum class CursorLook { Underline, Blinking, Hidden };
    enum class Backlight { On, Off, Flashing };

    Module(quint32 serialNumber, quint8 factoryAddress, quint8 inputs = AllInputsOpen);

    // Starts from a stored configuration as a module does when switched on.
    void powerUp(const ModuleConfig& stored);

    quint32 serialNumber() const { return m_serialNumber; }
    QByteArray serialText() const;
    quint8 factoryAddress() const { return m_factoryAddress; }
    // The address and speed it answers to now; new ones wait in working() until stored and
    // switched on again.
    quint8 address() const { return m_address; }
    int baud() const { return m_baud; }
    const ModuleConfig& stored() const { return m_stored; }
    const ModuleConfig& working() const { return m_working; }

    bool ownSelected() const { return m_ownSelected; }
    bool broadcastSelected() const { return m_broadcastSelected; }
    bool selected() const { return m_ownSelected || m_broadcastSelected; }
    void setOwnSelected(bool selected) { m_ownSelected = selected; }
    void setBroadcastSelected(bool selected) { m_broadcastSelected = selected; }

    // Character codes as shown: 0x00 to 0x07 are the custom characters.
    quint8 cell(int row, int column) const;
    QByteArray row(int row) const;
    int cursorRow() const { return m_cursorRow; }
    int cursorColumn() const { return m_cursorColumn; }
    CursorLook cursorLook() const { return m_cursorLook; }
    Backlight backlight() const { return m_backlight; }
    // Eight dot rows of custom character 0 to 7, top row first, bit 4 the leftmost dot.
    QByteArray customCharacter(int index) const;

    // Bit n is input n + 1; a set bit is an open input.
    quint8 inputs() const { return m_inputs; }
    void setInputs(quint8 inputs) { m_inputs = inputs; }
    // Bit n is output n + 1; a set bit is an output switched on.
    quint8 outputs() const { return m_outputs; }

    // How often this module answered at the same time as another one since power-up.
    int conflicts() const { return m_conflicts; }
    void noteConflict() { ++m_conflicts; }

    // A byte of text: a character at the cursor, 0x0D clear, 0x0C second row.
    void writeText(quint8 byte);
    // A command that followed 0xFE, with its arguments. Reading inputs and storing are the
    // line's business, as they answer or reach the store file.
    void execute(quint8 code, const QByteArray& arguments);
    // 0xEE, address, inputs 1-4, inputs 5-8.
    QByteArray inputAnswer() const;
    QByteArray acknowledgement() const;
    // Copies what was sent into the store, as the store command does.
    void store() { m_stored = m_working; }

private:
    void put(quint8 code);
    void clearDisplay();
    void showText(int row, const QByteArray& text);
    void showSerialNumber();

    quint32 m_serialNumber;
    quint8 m_factoryAddress;
    quint8 m_address;
    int m_baud = wire::FastSpeed;
    ModuleConfig m_stored;
    ModuleConfig m_working;
    bool m_ownSelected = false;
    bool m_broadcastSelected = false;
    std::array<std::array<quint8, Columns>, Rows> m_display{};
    int m_cursorRow = 0;
    int m_cursorColumn = 0;
    CursorLook m_cursorLook = CursorLook::Underline;
    Backlight m_backlight = Backlight::On;
    quint8 m_inputs;
    quint8 m_outputs = 0;
    int m_conflicts = 0;
};

} // namespace velnor
