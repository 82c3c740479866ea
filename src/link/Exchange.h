#pragma once

#include "shared/ModuleLimits.h"

#include <QtGlobal>

#include <array>

namespace velnor {

// The input states of an answer: true for an input whose bit is set. Inputs 1 to 4 are bits 0
// to 3 of the first byte, inputs 5 to 8 bits 0 to 3 of the second; the other bits mean nothing.
using InputStates = std::array<bool, limits::Inputs>;
InputStates inputStates(quint8 bits1, quint8 bits2);

// One step of the main window's line that waits: a frame that expects an answer, then a number
// of ticks during which the receiver reads it; or a bare wait, which sends nothing.
struct Exchange
{
    enum class Kind { Select, Deselect, ReadInputs, Pause };
    static constexpr qint16 kAnswerTicks = 10;

    static Exchange select(quint8 address) { return {Kind::Select, address, kAnswerTicks}; }
    static Exchange deselect() { return {Kind::Deselect, 0, kAnswerTicks}; }
    static Exchange readInputs() { return {Kind::ReadInputs, 0, kAnswerTicks}; }
    static Exchange pause(qint16 ticks) { return {Kind::Pause, 0, ticks}; }
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
    // The address a select asks for.
    quint8 address = 0;
    qint16 ticks = 0;
    bool endsOnAnswer = false;

    // How an exchange ended, once its ticks have passed.
    struct Outcome
    {
        Kind kind = Kind::Pause;
        // The selected address when it ended.
        quint8 address = 0;
        // The answer the exchange waits for came: the acknowledgement flag reads set. A deselect
        // does not clear it first, so the select's acknowledgement counts for it.
        bool answered = false;
        // The states of an answered input read.
        InputStates inputs{};
    };
};

} // namespace velnor
