#include "widgets/QtMessageSink.h"

#include <QCoreApplication>

namespace velnor {

void QtMessageSink::showMessage(const QString& text, const QString& detail)
{
    const Message message{text, detail};
    if (!m_box) {
        show(message);
        return;
    }
    // A line that stays unusable fails every frame the same way; the box already says so.
    if (message != m_shown && !m_waiting.contains(message))
        m_waiting.append(message);
}

void QtMessageSink::show(const Message& message)
{
    m_shown = message;
    m_box = new QMessageBox(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                            message.first, QMessageBox::Ok, m_window);
    m_box->setInformativeText(message.second);
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_box, &QMessageBox::finished, this, &QtMessageSink::closed);
    m_box->open();
}

void QtMessageSink::closed()
{
    m_box = nullptr;
    if (!m_waiting.isEmpty())
        show(m_waiting.takeFirst());
}

} // namespace velnor
