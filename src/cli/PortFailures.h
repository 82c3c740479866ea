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
    // "SELECTED PORT NOT AVAILABLE! (/dev/ttyS0: No such file or directory)"
    QString describe() const
    {
        return m_detail.isEmpty() ? m_text : QStringLiteral("%1 (%2)").arg(m_text, m_detail);
    }

private:
    QString m_text;
    QString m_detail;
};

} // namespace velnor::cli
