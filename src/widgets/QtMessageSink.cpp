#include "widgets/QtMessageSink.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace velnor {

void QtMessageSink::showMessage(const QString& text, const QString& detail)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, m_window);
    box.setInformativeText(detail);
    box.exec();
}

} // namespace velnor
