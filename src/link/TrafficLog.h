#pragma once

#include "link/LogRow.h"
#include "protocol/FrameDecoder.h"

#include <QAbstractTableModel>
#include <QList>

#include <bitset>
#include <deque>
#include <functional>

namespace velnor {

// The traffic log: every frame the windows write, every frame or run of bytes that comes
// back and every answer that does not, each a row with its time, its bytes and its meaning.
// The link feeds it through frameSent(), bytesReceived() and answerMissing(); a view shows it
// as a table. Only the latest MaxRows rows are kept, so it holds a bounded amount however
// long it runs (fewer when a test asks).
class TrafficLog final : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int MaxRows = 20000;
    enum Column { Time, Window, Direction, Address, Bytes, Meaning, ColumnCount };
    // Milliseconds since the epoch.
    using Clock = std::function<qint64()>;

    explicit TrafficLog(int maxRows = MaxRows, QObject* parent = nullptr);

    int maxRows() const { return m_maxRows; }

    // Bytes a window wrote in one write: a row for each frame in them, at the time of the
    // write. A frame the modules read over several writes (a block after its announcing
    // command) is one row, at the write of its last byte; a write that ends no frame adds none.
    void frameSent(const QByteArray& bytes, LogRow::Window window = LogRow::Window::Panel);
    // Bytes read from the line, as they came: one row for each answer or run of bytes that
    // makes none.
    void bytesReceived(const QByteArray& bytes, LogRow::Window window = LogRow::Window::Panel);
    // An exchange ended without its answer after waiting that many ticks.
    void answerMissing(int address, int ticks, LogRow::Window window = LogRow::Window::Panel);
    // Since the main window last wrote, an acknowledgement or an input answer came from that
    // module (paused or not).
    bool answeredSinceSent(int address) const;

    // While paused, traffic is still read, so that what follows is named right, but no row
    // is added.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    void clear();
    void setClock(Clock clock) { m_clock = std::move(clock); }

    const LogRow& at(int row) const { return m_rows.at(size_t(row)); }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void pausedChanged(bool paused);

private:
    void add(QList<LogRow> rows);
    // Answers still open belong to the exchange before: they end when a window writes again.
    QList<LogRow> endAnswers(qint64 time, LogRow::Window window);

    FrameDecoder m_decoder;
    std::deque<LogRow> m_rows;
    bool m_paused = false;
    int m_maxRows;
    Clock m_clock;
    // Modules whose answer came since the main window last wrote, by address.
    std::bitset<256> m_answered;
};

} // namespace velnor
