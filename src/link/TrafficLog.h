#pragma once

#include "link/LogRow.h"
#include "protocol/FrameDecoder.h"

#include <QAbstractTableModel>
#include <QList>

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
    enum Column { Time, Window, Line, Direction, Address, Bytes, Meaning, ColumnCount };
    // Milliseconds since the epoch.
    using Clock = std::function<qint64()>;
    // The port and speed a window's line is on now.
    using LineName = std::function<QString()>;

    explicit TrafficLog(int maxRows = MaxRows, QObject* parent = nullptr);

    int maxRows() const { return m_maxRows; }

    // Bytes a window wrote in one write: a row for each frame in them, at the time of the
    // write. A frame the modules read over several writes (a block after its announcing
    // command) is one row, at the write of its last byte; a write that ends no frame adds none.
    void frameSent(const QByteArray& bytes, LogRow::Window window = LogRow::Window::Panel);
    // Bytes read from the line in one go, judged as the receiver judged them: the first
    // answerLength are the answer it took (none when 0), the rest a row or more that make no
    // frame. Every row carries address, the module of the exchange under way (-1 for none).
    void bytesReceived(const QByteArray& bytes, LogRow::Window window = LogRow::Window::Panel,
                       int address = -1, int answerLength = 0);
    // An exchange ended without its answer after waiting that many ticks.
    void answerMissing(int address, int ticks, LogRow::Window window = LogRow::Window::Panel);

    // While paused, traffic is still read, so that what follows is named right, and its rows
    // wait (the latest maxRows of them) until the log goes on.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    int waiting() const { return int(m_waiting.size()); }
    void clear();
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setLineName(LogRow::Window window, LineName name);

    const LogRow& at(int row) const { return m_rows.at(size_t(row)); }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void pausedChanged(bool paused);
    void waitingChanged(int rows);

private:
    void add(QList<LogRow> rows);
    void show(QList<LogRow> rows);

    FrameDecoder m_decoder;
    std::deque<LogRow> m_rows;
    bool m_paused = false;
    int m_maxRows;
    Clock m_clock;
    LineName m_lineNames[2];
    std::deque<LogRow> m_waiting;
    // Modules whose answer came since the main window last wrote, by address.
};

} // namespace velnor
