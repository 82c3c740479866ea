#pragma once

#include <QPushButton>

namespace velnor {

// A push button whose caption wraps onto further lines when it is wider than the button, as
// the narrow two-line buttons of the main window need. The caption itself stays one text, so
// screen readers and scripts find the button by it.
class WrapButton final : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace velnor
