#pragma once

#include "link/MessageSink.h"

#include <QPointer>
#include <QWidget>

namespace velnor {

// Failures shown as a message box with an OK button only and no icon, captioned with the
// program's name; the detail goes under the fixed text.
class QtMessageSink final : public MessageSink
{
public:
    void setParentWindow(QWidget* window) { m_window = window; }
    void showMessage(const QString& text, const QString& detail) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace velnor
