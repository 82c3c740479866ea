// The emulator's line model: any modules, any bytes at any times (going back now and then),
// any line speed. The modules answer only what modules can say: each answer EE, a module's
// address and, for the inputs, two bytes of four bits; a silent line says nothing. Time handed
// in out of order acts as the latest time seen: a second line, given the times in order, must
// do exactly the same. A pending deselect is always due within its window, and done once that
// time is reached.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "emulator/Line.h"
#include "shared/Wire.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

using namespace velnor;
using velnor::fuzz::FuzzInput;

namespace {

constexpr int kMostModules = 4;
constexpr int kMostSteps = 128;

bool sameModule(const Module& a, const Module& b)
{
    return a.address() == b.address() && a.baud() == b.baud() &&
           a.ownSelected() == b.ownSelected() && a.broadcastSelected() == b.broadcastSelected() &&
           a.row(0) == b.row(0) && a.row(1) == b.row(1) && a.cursorRow() == b.cursorRow() &&
           a.cursorColumn() == b.cursorColumn() && a.cursorLook() == b.cursorLook() &&
           a.backlight() == b.backlight() && a.outputs() == b.outputs() &&
           a.inputs() == b.inputs() && a.working() == b.working() && a.stored() == b.stored() &&
           a.conflicts() == b.conflicts();
}

// Whether the bytes split into answers of the modules on the line: EE and an address, then
// either the next answer or two input bytes. Both ways are tried, from the end backwards.
bool onlyAnswers(QByteArrayView bytes, const Line& line)
{
    const auto isAnswerAt = [&](qsizetype at) {
        if (at + 2 > bytes.size() || quint8(bytes[at]) != wire::Answer)
            return false;
        for (int i = 0; i < line.moduleCount(); ++i) {
            if (line.module(i).address() == quint8(bytes[at + 1]))
                return true;
        }
        return false;
    };
    // splits[i]: the bytes from i on split into answers.
    QList<bool> splits(bytes.size() + 1, false);
    splits[bytes.size()] = true;
    for (qsizetype at = bytes.size() - 1; at >= 0; --at) {
        if (!isAnswerAt(at))
            continue;
        const bool inputs = at + 4 <= bytes.size() && quint8(bytes[at + 2]) <= 0x0F &&
                            quint8(bytes[at + 3]) <= 0x0F && splits[at + 4];
        splits[at] = splits[at + 2] || inputs;
    }
    return splits[0];
}

bool allAtLineSpeed(const Line& line)
{
    for (int i = 0; i < line.moduleCount(); ++i) {
        if (line.module(i).baud() != line.speed())
            return false;
    }
    return true;
}

// Milliseconds, as the emulator counts them from its start. Any time within 2^61 ms, about
// 73 million years, either way: far beyond any run, and far from where adding a deselect's
// window to it would overflow.
struct Clock
{
    qint64 given = 0;  // as handed to the line under test, in any order
    qint64 latest = 0; // the latest time so far, as handed to the line in step

    void next(FuzzInput& in)
    {
        const quint8 choice = in.byte();
        if (choice < 0xF0)
            given = latest + choice;
        else if (choice < 0xFE)
            given = latest - (choice & 0x0F);
        else
            given = qint64(in.number(8)) / 4;
        latest = qMax(latest, given);
    }
};

int speedFrom(FuzzInput& in)
{
    switch (in.byte() % 8) {
    case 0:
        return 9600;
    case 1:
        return 4800;
    case 2:
        return 2400;
    case 3:
        return 19200;
    case 4:
        return 1;
    case 5:
        return std::numeric_limits<int>::max();
    default:
        return int(quint32(in.number(4)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    QList<quint8> addresses;
    const int count = in.byte() % kMostModules + 1;
    for (int i = 0; i < count; ++i) {
        // Mostly addresses a module can have, now and then any byte.
        const quint8 b = in.byte();
        addresses.append(b < 0x80 ? quint8(wire::FirstAddress + b % 32) : b);
    }
    Line line(addresses);
    Line inOrder(addresses);
    bool conflict = false;
    QObject::connect(&line, &Line::conflict, &line, [&conflict] { conflict = true; });
    Clock clock;

    for (int step = 0; step < kMostSteps && !in.atEnd(); ++step) {
        conflict = false;
        const bool fair = allAtLineSpeed(line) && !line.silent();
        QByteArray said;
        QByteArray saidInOrder;
        switch (in.byte() % 8) {
        case 0:
        case 1:
        case 2:
        case 3: {
            clock.next(in);
            const QByteArray bytes = in.bytes(in.byte());
            said = line.feed(bytes, clock.given);
            saidInOrder = inOrder.feed(bytes, clock.latest);
            break;
        }
        case 4: {
            const std::optional<qint64> due = line.deadline();
            if (due && in.byte() < 0x80) {
                clock.given = clock.latest = *due;
            } else {
                clock.next(in);
            }
            said = line.advance(clock.given);
            saidInOrder = inOrder.advance(clock.latest);
            if (due && clock.latest >= *due) {
                const std::optional<qint64> after = line.deadline();
                FUZZ_CHECK(!after || *after > *due, "a deselect is done once it is due");
            }
            break;
        }
        case 5: {
            const int baud = speedFrom(in);
            line.setSpeed(baud);
            inOrder.setSpeed(baud);
            break;
        }
        case 6: {
            const int index = in.byte() % count;
            const quint8 inputs = in.byte();
            line.setInputs(index, inputs);
            inOrder.setInputs(index, inputs);
            break;
        }
        case 7:
            if (in.byte() % 2) {
                line.powerUp();
                inOrder.powerUp();
            } else {
                line.setSilent(!line.silent());
                inOrder.setSilent(!inOrder.silent());
            }
            break;
        }

        FUZZ_CHECK(said == saidInOrder, "a time out of order acts as the latest time");
        for (int i = 0; i < count; ++i)
            FUZZ_CHECK(sameModule(line.module(i), inOrder.module(i)),
                       "a time out of order acts as the latest time");
        FUZZ_CHECK(line.deadline() == inOrder.deadline(),
                   "a time out of order acts as the latest time");
        if (line.silent())
            FUZZ_CHECK(said.isEmpty(), "a silent line carries no answer");
        if (fair && !conflict)
            FUZZ_CHECK(onlyAnswers(said, line), "modules answer only what modules can say");
        if (const std::optional<qint64> due = line.deadline()) {
            FUZZ_CHECK(*due > clock.latest &&
                           *due - clock.latest <= Line::BroadcastOffWindowMs + 1,
                       "a pending deselect is due within its window");
        }
    }
    return 0;
}
