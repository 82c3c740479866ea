#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velnor::cli {

// The words of a command line, taken one at a time.
class Words
{
public:
    explicit Words(QStringList list, qsizetype at = 0) : m_list(std::move(list)), m_at(at) {}

    qsizetype at() const { return m_at; }
    bool atEnd() const { return m_at >= m_list.size(); }
    const QString& peek() const { return m_list.at(m_at); }
    std::optional<QString> take()
    {
        if (atEnd())
            return std::nullopt;
        return m_list.at(m_at++);
    }
    QStringList since(qsizetype start) const { return m_list.mid(start, m_at - start); }

private:
    QStringList m_list;
    qsizetype m_at;
};

} // namespace velnor::cli
