#pragma once

#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "commands/DeviceSelection.h"
#include "commands/DisplayCommands.h"
#include "commands/InputOutputCommands.h"
#include "commands/TextCommands.h"
#include "link/Panel.h"
#include "shared/Wire.h"

#include <optional>

namespace velnor::test {

// The main window's command handlers on a panel of fakes, with no window: what they report is
// kept here.
struct CommandRig
{
    CommandRig()
    {
        QObject::connect(&selection, &DeviceSelection::statusChanged, &selection,
                         [this](const QString& said) { status = said; });
        QObject::connect(&inputOutput, &InputOutputCommands::statusChanged, &inputOutput,
                         [this](const QString& said) { status = said; });
        QObject::connect(&inputOutput, &InputOutputCommands::inputsRead, &inputOutput,
                         [this](const InputStates& states) { inputs = states; });
    }

    // Module 105 selected, its frame and answer forgotten.
    bool selectModule()
    {
        port.answer("\x69", "\xee\x69");
        selection.select(QStringLiteral("105"));
        const bool over = waitsOver(panel);
        port.peer = nullptr;
        port.writes.clear();
        return over && selection.state().selected;
    }

    FakeMessageSink messages;
    Panel panel{messages, fakeLine(), fakeLine()};
    FakeSerialPort& port = fakePort(panel);
    FakeTickSource& ticks = fakeTicks(panel);
    DeviceSelection selection{panel.exchanges(), panel.link(), messages};
    TextCommands text{panel.link(), messages};
    DisplayCommands display{panel.link(), messages, selection.state()};
    InputOutputCommands inputOutput{panel.exchanges(), panel.link(), messages};
    QString status;
    std::optional<InputStates> inputs;
};

} // namespace velnor::test
