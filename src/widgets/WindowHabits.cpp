#include "widgets/WindowHabits.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace velnor {

namespace {

bool onlyBlanks(const QLineEdit* box)
{
    return !box->text().isEmpty() && box->text().trimmed().isEmpty();
}

class BlankSelector final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = static_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::FocusIn && onlyBlanks(box)) {
            // A click places the cursor after the focus has come: the selection waits for it.
            QTimer::singleShot(0, box, [box] {
                if (box->hasFocus() && onlyBlanks(box) && !box->hasSelectedText())
                    box->selectAll();
            });
        }
        return false;
    }
};

class EscapeCloser final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Reached only by a key no control inside used: an open list or an edited cell
        // takes its Escape first.
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                static_cast<QWidget*>(watched)->close();
                return true;
            }
        }
        return false;
    }
};

// The frame a window manager puts around window: its own once it has been framed, else that of
// another framed window of the program, else a title bar's height above and a thin border.
QMargins frameOf(const QWidget* window)
{
    if (window->windowHandle() && !window->windowHandle()->frameMargins().isNull())
        return window->windowHandle()->frameMargins();
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != window && other->isVisible() && other->windowHandle() &&
            !other->windowHandle()->frameMargins().isNull())
            return other->windowHandle()->frameMargins();
    }
    const int border = 4;
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {border, title + border, border, border};
}

// The windows a user moves about, not menus, tooltips or splash screens.
bool keptOnScreen(const QWidget* window)
{
    switch (window->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

void fit(QWidget* window)
{
    const QWidget* over = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen* screen = over ? over->screen() : window->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QMargins frame = frameOf(window);
    // A window's position is that of its frame.
    QRect outer(window->pos(), window->size().grownBy(frame));
    if (!window->testAttribute(Qt::WA_Moved)) {
        const QRect around = over && over->isVisible() ? over->frameGeometry() : room;
        outer.moveCenter(around.center());
    }
    // Right and bottom first, so that a window larger than the room keeps its title bar and
    // left edge on the screen.
    outer.moveRight(std::min(outer.right(), room.right()));
    outer.moveBottom(std::min(outer.bottom(), room.bottom()));
    outer.moveLeft(std::max(outer.left(), room.left()));
    outer.moveTop(std::max(outer.top(), room.top()));
    if (outer.topLeft() != window->pos() || !window->testAttribute(Qt::WA_Moved))
        window->move(outer.topLeft());
}

} // namespace

void selectBlanksOnFocus(QLineEdit* box)
{
    box->installEventFilter(new BlankSelector(box));
}

void closeOnEscape(QWidget* window)
{
    window->installEventFilter(new EscapeCloser(window));
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    // Not a window coming back from the task bar: that one stays where the user left it.
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow() && keptOnScreen(window))
            fit(window);
    }
    return false;
}

} // namespace velnor
