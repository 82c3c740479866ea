#pragma once

#include "module/Module.h"
#include "module/Screen.h"
#include "protocol/FrameDecoder.h"

#include <QByteArrayView>
#include <QList>

#include <array>
#include <bitset>
#include <optional>

namespace velnor {

// What each module on the line shows as far as the frames sent to it tell: the panel cannot
// read a display back, so everything starts unknown and becomes known only through what went
// out. Each module is a Module of its own, so a frame shows on the mirror as a module shows
// it; beside it the mirror keeps which parts are known. A frame sent with broadcast on
// reaches every address, whether or not a module there was ever addressed.
class LineMirror
{
public:
    static constexpr int Modules = wire::LastAddress - wire::FirstAddress + 1;

    LineMirror();

    // Bytes the panel wrote in one write.
    void sent(QByteArrayView bytes);
    void apply(const DecodedFrame& frame);
    // Another port or speed: a new line, nothing known and no module listed.
    void newLine();
    // A select nobody answered: nothing is known of a module at address, none is listed there,
    // and no module is selected now (the one before let go when it heard the select).
    void unanswered(quint8 address);

    // The modules addressed since the line began, in address order.
    QList<quint8> listed() const;
    // Lists a module without learning anything of its display, as a search that found it does.
    void list(quint8 address);
    // While off, a select lists nobody (a search addresses every module, present or not).
    void setListing(bool on) { m_listing = on; }

    Screen screen(quint8 address) const;
    // Bit n is output n + 1, on; knownOutputs() says which of them are known.
    quint8 outputs(quint8 address) const { return at(address).module.outputs(); }
    quint8 knownOutputs(quint8 address) const { return at(address).knownOutputs; }
    // Whether predefined text n (0 to 9) of a module is known, as an upload made it.
    bool textKnown(quint8 address, int text) const
    {
        return at(address).knownTexts.test(size_t(text));
    }
    // Addresses whose screen, outputs or listing changed since the last call.
    QList<quint8> takeChanged();

private:
    struct Entry
    {
        explicit Entry(quint8 address) : module(0, address) {}

        Module module;
        std::bitset<Screen::Cells> knownCells;
        bool cursorPlaceKnown = false;
        std::optional<Module::CursorLook> cursorLook;
        std::optional<Module::Backlight> backlight;
        std::bitset<limits::CustomCharacters> knownCharacters;
        std::bitset<limits::Texts> knownTexts;
        std::array<int, Screen::Rows> storedText{};
        quint8 knownOutputs = 0;
        bool listed = false;
    };

    static bool isModule(int address)
    {
        return address >= wire::FirstAddress && address <= wire::LastAddress;
    }
    Entry& at(int address) { return m_entries[size_t(address - wire::FirstAddress)]; }
    const Entry& at(int address) const { return m_entries[size_t(address - wire::FirstAddress)]; }
    // The modules a frame reaches, and those it may reach while the selection is not known.
    QList<int> targets(bool* sure) const;
    void select(quint8 address);
    void text(Entry& entry, quint8 byte);
    void command(Entry& entry, quint8 code, const QByteArray& arguments);
    static void forget(Entry& entry);
    void touch(int address) { m_changed.set(size_t(address - wire::FirstAddress)); }

    FrameDecoder m_decoder;
    std::array<Entry, Modules> m_entries;
    // Who is selected: one module of its own and whether broadcast is on, unknown until a
    // frame sets them.
    std::optional<int> m_own;
    std::optional<bool> m_broadcast;
    quint8 m_blockCode = 0;
    bool m_listing = true;
    std::bitset<Modules> m_changed;
};

} // namespace velnor
