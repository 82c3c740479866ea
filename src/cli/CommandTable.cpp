#include "cli/CommandTable.h"

#include "link/ConfigLink.h"
#include "link/Exchange.h"
#include "link/Hex.h"
#include "protocol/Frames.h"
#include "protocol/UploadPlan.h"
#include "protocol/ModuleSetup.h"
#include "shared/ModuleLimits.h"
#include "shared/Wire.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

using Kind = Command::Kind;
using Needs = CommandForm::Needs;
using Leaves = CommandForm::Leaves;

QString broadcastAddress(int value)
{
    if (value != wire::Broadcast)
        return {};
    return u"%1 is the broadcast address, which no module has: use \"broadcast on\""_s.arg(value);
}

Argument address()
{
    Argument a =
        Argument::numbered(u"ADDR"_s, wire::FirstAddress, wire::LastAddress, &Command::address);
    a.outOfRange = broadcastAddress;
    return a;
}

Argument row()
{
    return Argument::numbered(u"ROW"_s, 0, limits::Rows - 1, &Command::row);
}

Argument column()
{
    return Argument::numbered(u"COL"_s, 0, limits::Columns - 1, &Command::column);
}

// What the panel lists from 1 and the frame counts from 0.
Argument counted(int count)
{
    return Argument::numbered(u"N"_s, 1, count, &Command::entry, 1);
}

// What the upload sends, from the plan of a setup that passes.
QString uploadSends()
{
    ModuleSetup sample;
    sample.uid = QString::number(wire::FirstAddress);
    sample.bitmaps.fill(u"0"_s);
    qsizetype bytes = 0;
    int waits = 0;
    const auto plan = planUpload(sample);
    for (const UploadStep& step : std::get<QList<UploadStep>>(plan)) {
        bytes += step.bytes.size();
        waits += step.waitAfter ? 1 : 0;
    }
    return u"%1 \"%2\", then %3 bytes with %4 waits of %5 ms"_s
        .arg(hexItems(frames::enterConfiguration()).trimmed(), frames::kConfigModeText)
        .arg(bytes)
        .arg(waits)
        .arg(ConfigLink::kTickMs);
}

QByteArray broadcastFrame(const Command& c)
{
    return c.on ? frames::broadcastOn() : frames::broadcastOff();
}

QByteArray textFrame(const Command& c)
{
    const auto frame = frames::text(c.line1, c.line2);
    return frame ? frame->bytes : QByteArray();
}

QByteArray outputsFrame(const Command& c)
{
    return c.on ? frames::allOutputsOn() : frames::allOutputsOff();
}

// An hour between reads, and a million lines, are more than any watch needs; bounds that keep
// the numbers small.
constexpr int kLongestInterval = 3'600'000;
constexpr int kMostLines = 1'000'000;

QString scanSends()
{
    return u"%1 to %2, %3 ticks each, and %4 after each that answered"_s
        .arg(hexItems(frames::select(wire::FirstAddress)).trimmed(),
             hexItems(frames::select(wire::LastAddress)).trimmed())
        .arg(Exchange::kAnswerTicks)
        .arg(hexItems(frames::deselect()).trimmed());
}

QList<CommandForm> standardForms()
{
    const QString answer = u"waits %1 ticks for EE ADDR"_s.arg(Exchange::kAnswerTicks);
    return {
        {.name = "select"_L1,
         .kind = Kind::Select,
         .leaves = Leaves::OwnModule,
         .arguments = {address()},
         .what = u"selects module {ADDR}; "_s + answer,
         .examples = {u"105"_s},
         .frame = [](const Command& c) { return frames::select(quint8(c.address)); }},
        {.name = "deselect"_L1,
         .kind = Kind::Deselect,
         .needs = Needs::OwnModule,
         .leaves = Leaves::NoOwnModule,
         .what = u"releases the module selected; "_s + answer,
         .frame = [](const Command&) { return frames::deselect(); }},
        {.name = "broadcast"_L1,
         .kind = Kind::Broadcast,
         .leaves = Leaves::AsSwitched,
         .arguments = {Argument::onOff(&Command::on)},
         .what = u"selects every module at once (address %1), or stops"_s.arg(wire::Broadcast),
         .examples = {u"on"_s, u"off"_s},
         .frame = broadcastFrame},
        {.name = "text"_L1,
         .kind = Kind::Text,
         .needs = Needs::Module,
         .arguments = {Argument::line(u"LINE1"_s, limits::Columns, &Command::line1),
                       Argument::line(u"LINE2"_s, limits::Columns, &Command::line2)},
         .what = u"clears the display and writes two rows of %1 at most"_s.arg(limits::Columns),
         .examples = {u"AB CD"_s},
         .frame = textFrame},
        {.name = "clear"_L1,
         .kind = Kind::Clear,
         .needs = Needs::Module,
         .what = u"clears the display"_s,
         .frame = [](const Command&) { return frames::clearDisplay(); }},
        {.name = "predefined"_L1,
         .kind = Kind::Predefined,
         .needs = Needs::Module,
         .arguments = {counted(limits::Texts), row()},
         .what = u"shows stored text {N} on row {ROW}"_s,
         .examples = {u"10 1"_s},
         .frame = [](const Command& c) { return frames::predefinedText(c.entry, c.row); }},
        {.name = "cursor"_L1,
         .kind = Kind::CursorPosition,
         .needs = Needs::Module,
         .arguments = {row(), column()},
         .what = u"moves the cursor to row {ROW}, column {COL}"_s,
         .examples = {u"1 15"_s},
         .frame = [](const Command& c) { return frames::cursorPosition(c.row, c.column); }},
        {.name = "cursor"_L1,
         .kind = Kind::CursorLook,
         .needs = Needs::Module,
         .arguments = {Argument::choice({u"underline"_s, u"blinking"_s, u"hide"_s},
                                        &Command::entry)},
         .what = u"sets the cursor's look"_s,
         .examples = {u"underline"_s, u"blinking"_s, u"hide"_s},
         .frame = [](const Command& c) { return frames::cursorLook(c.entry); }},
        {.name = "clear-row"_L1,
         .kind = Kind::ClearRow,
         .needs = Needs::Module,
         .arguments = {row()},
         .what = u"clears row {ROW}"_s,
         .examples = {u"0"_s},
         .frame = [](const Command& c) { return frames::clearRow(c.row); }},
        {.name = "clear-column"_L1,
         .kind = Kind::ClearColumn,
         .needs = Needs::Module,
         .arguments = {column()},
         .what = u"clears column {COL}"_s,
         .examples = {u"7"_s},
         .frame = [](const Command& c) { return frames::clearColumn(c.column); }},
        {.name = "backlight"_L1,
         .kind = Kind::Backlight,
         .needs = Needs::Module,
         .arguments = {Argument::choice({u"on"_s, u"off"_s, u"flash"_s}, &Command::entry)},
         .what = u"switches the backlight on, off or to flashing"_s,
         .examples = {u"on"_s, u"off"_s, u"flash"_s},
         .frame = [](const Command& c) { return frames::backlight(c.entry); }},
        {.name = "char"_L1,
         .kind = Kind::Character,
         .needs = Needs::Module,
         .arguments = {counted(limits::CustomCharacters)},
         .what = u"shows custom character {N} at the cursor"_s,
         .examples = {u"1"_s},
         .frame = [](const Command& c) { return frames::customCharacter(c.entry); }},
        {.name = "inputs"_L1,
         .kind = Kind::Inputs,
         .needs = Needs::OwnModule,
         .what = u"reads the eight inputs; "_s + answer + u" i1 i2"_s,
         .frame = [](const Command&) { return frames::readInputs(); }},
        {.name = "output"_L1,
         .kind = Kind::Output,
         .needs = Needs::Module,
         .arguments = {counted(limits::Outputs), Argument::onOff(&Command::on)},
         .what = u"switches output {N} on or off"_s,
         .examples = {u"1 on"_s, u"8 off"_s},
         .frame = [](const Command& c) { return frames::setOutput(c.entry, c.on); }},
        {.name = "outputs"_L1,
         .kind = Kind::Outputs,
         .needs = Needs::Module,
         .arguments = {Argument::onOff(&Command::on)},
         .what = u"switches all eight outputs on or off"_s,
         .examples = {u"on"_s, u"off"_s},
         .frame = outputsFrame},
        // The panel's serial-number button works with or without a selection.
        {.name = "serial"_L1,
         .kind = Kind::Serial,
         .what = u"has the module show its serial number"_s,
         .frame = [](const Command&) { return frames::showSerialNumber(); }},
        // Upload and save select every module themselves, as the configuration window does; the
        // upload ends with the one-byte deselect.
        {.name = "upload"_L1,
         .kind = Kind::Upload,
         .leaves = Leaves::EveryModuleInstead,
         .arguments = {Argument::optionalFile(&Command::file)},
         .what = u"sends the \"LCD\" setup of the settings file or FILE to all"_s,
         .sends = uploadSends},
        {.name = "save"_L1,
         .kind = Kind::Save,
         .leaves = Leaves::EveryModule,
         .what = u"has every module store what it was sent"_s,
         .frame = [](const Command&) { return frames::saveToNonVolatileMemory(); }},
        {.name = "monitor"_L1,
         .kind = Kind::Monitor,
         .what = u"from here on prints bytes sent (>) and received (<), named"_s,
         .sends = [] { return u"sends nothing"_s; }},
        {.name = "ports"_L1,
         .kind = Kind::Ports,
         .arguments = {Argument::switchOption(u"--json"_s, &Command::json)},
         .what = u"lists the serial devices and the port numbers that reach them"_s,
         .sends = [] { return u"sends nothing; alone, it opens no port"_s; },
         .usesPort = false},
        // A scan selects every address itself: it needs nothing before it and leaves no module
        // selected, broadcast mode included.
        {.name = "scan"_L1,
         .kind = Kind::Scan,
         .leaves = Leaves::NoModule,
         .arguments = {Argument::switchOption(u"--both-speeds"_s, &Command::bothSpeeds),
                       Argument::switchOption(u"--json"_s, &Command::json)},
         .what = u"selects each address in turn, deselects each that answered and prints them; "
                 u"--both-speeds at 9600 and at 4800 bit/s"_s,
         .sends = scanSends},
        {.name = "watch"_L1,
         .kind = Kind::Watch,
         .needs = Needs::OwnModule,
         .arguments =
             {Argument::numbered(u"MS"_s, 0, kLongestInterval, &Command::intervalMs)
                  .asOption(u"--interval"_s),
              Argument::numbered(u"N"_s, 1, kMostLines, &Command::count).asOption(u"--count"_s),
              Argument::switchOption(u"--json"_s, &Command::json)},
         .what =
             u"reads the inputs again and again, one read every {MS} ms or one after "
             u"another, and prints the time and the eight states at the first answer and at each "
             u"change, until {N} lines or a signal"_s,
         .frame = [](const Command&) { return frames::readInputs(); }},
        {.name = "commission"_L1,
         .kind = Kind::Commission,
         .leaves = Leaves::NoModule,
         .arguments = {Argument::optionalFile(&Command::file), address().asOption(u"--address"_s),
                       Argument::numbered(u"S"_s, 1, kLongestInterval / 1000, &Command::seconds)
                           .asOption(u"--timeout"_s),
                       Argument::switchOption(u"--json"_s, &Command::json)},
         .what = u"finds the one module on the line at either speed, uploads FILE with address "
                 u"{ADDR} and stores it, then waits up to {S} s (60) for it at {ADDR}"_s,
         .sends = [] { return u"scan --both-speeds, upload, save, select, inputs"_s; }},
    };
}

} // namespace

const CommandTable& CommandTable::standard()
{
    static const CommandTable table(standardForms());
    return table;
}

QList<const CommandForm*> CommandTable::named(const QString& name) const
{
    QList<const CommandForm*> found;
    for (const CommandForm& form : m_forms) {
        if (name == form.name)
            found.append(&form);
    }
    return found;
}

const CommandForm* CommandTable::ofKind(Command::Kind kind) const
{
    for (const CommandForm& form : m_forms) {
        if (form.kind == kind)
            return &form;
    }
    return nullptr;
}

bool CommandTable::usePort(const QList<Command>& commands) const
{
    return std::any_of(commands.begin(), commands.end(), [this](const Command& command) {
        const CommandForm* form = ofKind(command.kind);
        return !form || form->usesPort;
    });
}

QStringList CommandTable::names() const
{
    QStringList names;
    for (const CommandForm& form : m_forms) {
        if (!names.contains(form.name))
            names.append(form.name);
    }
    return names;
}

} // namespace velnor::cli
