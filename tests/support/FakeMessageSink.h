#pragma once

#include "link/MessageSink.h"

#include <QStringList>

#include <functional>

namespace velnor::test {

// Counts the message boxes the program would have shown.
class FakeMessageSink final : public MessageSink
{
public:
    void showMessage(const QString& text, const QString& detail) override
    {
        texts.append(text);
        details.append(detail);
        if (onShow)
            onShow();
    }

    QStringList texts;
    QStringList details;
    // Runs while the "box" is open, as a modal box would let events run.
    std::function<void()> onShow;
};

} // namespace velnor::test
