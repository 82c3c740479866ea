#pragma once

#include <QString>

namespace velnor {

// Where the link reports a failure to the user: a message box in the program, a counter in
// tests. text is fixed; detail says what the user can act on (device and reason).
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const QString& text, const QString& detail) = 0;
};

} // namespace velnor
