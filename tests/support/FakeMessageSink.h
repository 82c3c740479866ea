#pragma once

#include "link/MessageSink.h"

#include <QStringList>

namespace velnor::test {

// Counts the message boxes the program would have shown.
class FakeMessageSink final : public MessageSink
{
public:
    void showMessage(const QString& text, const QString& detail) override
    {
        texts.append(text);
        details.append(detail);
    }

    QStringList texts;
    QStringList details;
};

} // namespace velnor::test
