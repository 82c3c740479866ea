#pragma once

#include "link/MessageSink.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <utility>

namespace velnor {

// Failures shown as a message box with an OK button only and no icon, captioned with the
// program's name; the detail goes under the fixed text. The box is modal to the window and
// showing it returns at once: the step whose frame failed goes on, and no tick or answer runs
// inside it. One box at a time: a failure while a box is open waits for it to close, and one
// that is showing or waiting already is not repeated.
class QtMessageSink final : public QObject, public MessageSink
{
    Q_OBJECT
public:
    explicit QtMessageSink(QObject* parent = nullptr) : QObject(parent) {}

    void setParentWindow(QWidget* window) { m_window = window; }
    void showMessage(const QString& text, const QString& detail) override;

    // The box on screen now, or nullptr.
    QMessageBox* box() const { return m_box; }

private:
    using Message = std::pair<QString, QString>;
    void show(const Message& message);
    void closed();

    QPointer<QWidget> m_window;
    QPointer<QMessageBox> m_box;
    Message m_shown;
    QList<Message> m_waiting;
};

} // namespace velnor
