#pragma once

#include "link/Selection.h"
#include "shared/ModuleLimits.h"

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace velnor {

// The input states of an answer: true for an input whose bit is set. Inputs 1 to 4 are bits 0
// to 3 of the first byte, inputs 5 to 8 bits 0 to 3 of the second; the other bits mean nothing.
using InputStates = std::array<bool, limits::Inputs>;
InputStates inputStates(quint8 bits1, quint8 bits2);

// One step of a paced run: a frame that expects an answer and the ticks its answer may take; a
// frame or a text followed by a pause; or a bare pause, which sends nothing.
struct Exchange
{
    enum class Kind { Select, Deselect, ReadInputs, Frame, Text, Pause };
    static constexpr qint16 kAnswerTicks = 10;

    static Exchange select(quint8 address)
    {
        return {.kind = Kind::Select, .address = address, .ticks = kAnswerTicks};
    }
    // The select's answer, when it came, counts for the deselect.
    static Exchange deselect(const Selection& selection)
    {
        return {.kind = Kind::Deselect,
                .address = selection.address,
                .ticks = kAnswerTicks,
                .acknowledged = selection.acknowledged};
    }
    static Exchange readInputs(quint8 address)
    {
        return {.kind = Kind::ReadInputs, .address = address, .ticks = kAnswerTicks};
    }
    static Exchange pause(qint16 ticks) { return {.kind = Kind::Pause, .ticks = ticks}; }
    // Bytes written one a write, or a text in one write, then ticks to pause; a step whose
    // bytes cannot go out ends the run, as the rest would fail the same way.
    static Exchange frame(const QByteArray& bytes, qint16 ticks)
    {
        return {.kind = Kind::Frame, .ticks = ticks, .bytes = bytes};
    }
    static Exchange text(const QByteArray& bytes, qint16 ticks)
    {
        return {.kind = Kind::Text, .ticks = ticks, .bytes = bytes};
    }
    // The same exchange, ending as soon as its whole answer is in; its ticks still bound the
    // wait for an answer that does not come. For the line tools, which gain nothing by
    // waiting on after the answer; the main window's commands always wait their ticks.
    Exchange endingOnAnswer() const
    {
        Exchange early = *this;
        early.endsOnAnswer = true;
        return early;
    }

    Kind kind = Kind::Pause;
    // The address whose answer the step waits for.
    quint8 address = 0;
    qint16 ticks = 0;
    bool endsOnAnswer = false;
    bool acknowledged = false;
    QByteArray bytes = {};

    // How a step ended, once its ticks have passed.
    struct Outcome
    {
        Kind kind = Kind::Pause;
        quint8 address = 0;
        // The answer the step waits for came; a deselect counts its select's answer.
        bool answered = false;
        // An answer came after this step's frame went out.
        bool answeredSinceSent = false;
        // The states of an answered input read.
        InputStates inputs{};
    };
};

// The selection after a step on its line ended: a select names the address and whether it
// answered; an input read from that address says again whether the module answers.
inline Selection heard(Selection selection, const Exchange::Outcome& outcome)
{
    if (outcome.kind == Exchange::Kind::Select) {
        selection.address = outcome.address;
        selection.acknowledged = outcome.answered;
    } else if (outcome.kind == Exchange::Kind::ReadInputs &&
               outcome.address == selection.address) {
        selection.acknowledged = outcome.answered;
    }
    return selection;
}

} // namespace velnor
