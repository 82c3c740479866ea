#pragma once

#include "link/Commissioning.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

namespace velnor {

// A commissioning run on paper: the addresses to give in order, the one the person is at, and
// one result row for each address given (a retry replaces its row). Widget-free; the window
// shows it and saves it as CSV.
class CommissionSheet final
{
public:
    // "101-108" or "101, 103, 110-112": the addresses in order, each once; or why not.
    static std::variant<QList<quint8>, QString> parseAddresses(const QString& text);

    // The addresses to give from now on; the rows so far stay, so an address given already
    // is known as such.
    void start(const QList<quint8>& addresses);
    // The address the person is at; nothing once every address was given.
    std::optional<quint8> current() const;
    void advance();
    const QList<quint8>& addresses() const { return m_addresses; }

    // Whether a module was given address in this run already: it has a row.
    bool given(quint8 address) const;
    void record(const Commissioning::Result& result);
    const QList<Commissioning::Result>& rows() const { return m_rows; }
    // One line per row after a header: address, speed, time, checked, inputs, found at.
    QString csv() const;

private:
    QList<quint8> m_addresses;
    qsizetype m_at = 0;
    QList<Commissioning::Result> m_rows;
};

} // namespace velnor
