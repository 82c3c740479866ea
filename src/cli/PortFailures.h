#pragma once

#include "link/MessageSink.h"

#include <QString>

namespace velnor::cli {

// Where the link's "SELECTED PORT NOT AVAILABLE!" goes on the command line: kept, so that the
// command that met it can stop the run and say why.
class PortFailures final : public MessageSink
{
public:
    void showMessage(const QString& text, const QString& detail) override
    {
        if (m_text.isEmpty()) {
            m_text = text;
            m_detail = detail;
        }
    }

    bool any() const { return !m_text.isEmpty(); }
    QString describe() const { return describe(m_text, m_detail); }
    // "SELECTED PORT NOT AVAILABLE! (/dev/ttyS0: No such file or directory)", and on the lines
    // below what the user can do about it.
    static QString describe(const QString& text, const QString& detail)
    {
        if (detail.isEmpty())
            return text;
        const qsizetype advice = detail.indexOf(u'\n');
        return QStringLiteral("%1 (%2)").arg(text, detail.left(advice)) +
               (advice < 0 ? QString() : detail.mid(advice));
    }

private:
    QString m_text;
    QString m_detail;
};

} // namespace velnor::cli
