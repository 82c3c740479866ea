#pragma once

#include <QObject>

class QLineEdit;
class QWidget;

namespace velnor {

// A box that holds only blanks (a text the upload padded out to its full length) takes no
// typing: selected as it takes the focus, by Tab or by a click, typing replaces the blanks.
void selectBlanksOnFocus(QLineEdit* box);

// Escape, when no control inside takes it for itself, closes window, as it closes a dialog.
void closeOnEscape(QWidget* window);

// Keeps every top-level window of the program inside its screen's available area as it is
// shown, title bar and frame included: a window whose position the program never set is
// centred over the window it belongs to, or on its screen. Installed once on the application,
// it reaches every window, whoever builds it.
class ScreenFit final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace velnor
