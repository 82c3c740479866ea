#include "link/TrafficLog.h"

#include "link/LogExport.h"

#include <QDateTime>
#include <QStringList>

#include <iterator>

namespace velnor {

namespace {

LogRow rowOf(const DecodedFrame& frame, qint64 time, LogRow::Window window,
             LogRow::Direction direction)
{
    return {time, window, direction, frame.address, frame.bytes, frame.meaning};
}

int lineIndex(LogRow::Window window)
{
    return window == LogRow::Window::Panel ? 0 : 1;
}

} // namespace

TrafficLog::TrafficLog(int maxRows, QObject* parent)
    : QAbstractTableModel(parent), m_maxRows(qMax(1, maxRows)),
      m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

void TrafficLog::frameSent(const QByteArray& bytes, LogRow::Window window)
{
    const qint64 now = m_clock();
    QList<DecodedFrame> frames = m_decoder.sent(bytes);
    frames += m_decoder.pauseSent();
    QList<LogRow> rows;
    for (const DecodedFrame& frame : std::as_const(frames))
        rows.append(rowOf(frame, now, window, LogRow::Direction::Sent));
    add(std::move(rows));
}

void TrafficLog::bytesReceived(const QByteArray& bytes, LogRow::Window window, int address,
                               int answerLength)
{
    const qint64 now = m_clock();
    QList<LogRow> rows;
    for (const DecodedFrame& frame : FrameDecoder::receiverRead(bytes, answerLength, address))
        rows.append(rowOf(frame, now, window, LogRow::Direction::Received));
    add(std::move(rows));
}

void TrafficLog::answerMissing(int address, int ticks, LogRow::Window window)
{
    add({{m_clock(),
          window,
          LogRow::Direction::Missing,
          address,
          {},
          QStringLiteral("no answer from %1 within %2 ticks").arg(address).arg(ticks)}});
}

void TrafficLog::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    emit pausedChanged(paused);
    if (paused || m_waiting.empty())
        return;
    show(QList<LogRow>(std::make_move_iterator(m_waiting.begin()),
                       std::make_move_iterator(m_waiting.end())));
    m_waiting.clear();
    emit waitingChanged(0);
}

void TrafficLog::setLineName(LogRow::Window window, LineName name)
{
    m_lineNames[lineIndex(window)] = std::move(name);
}

void TrafficLog::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    if (!m_waiting.empty()) {
        m_waiting.clear();
        emit waitingChanged(0);
    }
}

void TrafficLog::add(QList<LogRow> rows)
{
    if (rows.isEmpty())
        return;
    // The line is named as the rows come, since a search changes its speed as it goes.
    for (LogRow& row : rows) {
        if (const LineName& name = m_lineNames[lineIndex(row.window)])
            row.line = name();
    }
    if (!m_paused) {
        show(std::move(rows));
        return;
    }
    for (LogRow& row : rows)
        m_waiting.push_back(std::move(row));
    while (int(m_waiting.size()) > m_maxRows)
        m_waiting.pop_front();
    emit waitingChanged(int(m_waiting.size()));
}

void TrafficLog::show(QList<LogRow> rows)
{
    // One insertion and one removal for a whole read, so a flood of bytes costs the view two
    // updates per read instead of two per row.
    if (rows.size() > m_maxRows)
        rows.remove(0, rows.size() - m_maxRows);
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (LogRow& row : rows)
        m_rows.push_back(std::move(row));
    endInsertRows();
    const int excess = int(m_rows.size()) - m_maxRows;
    if (excess > 0) {
        beginRemoveRows({}, 0, excess - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + excess);
        endRemoveRows();
    }
}

int TrafficLog::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrafficLog::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficLog::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const LogRow& row = m_rows[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == Address)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    // A long block is cut short in its cell; its tooltip holds it whole.
    const bool tip =
        role == Qt::ToolTipRole && (index.column() == Bytes || index.column() == Meaning);
    if (role != Qt::DisplayRole && !tip)
        return {};
    return logField(row, index.column());
}

QVariant TrafficLog::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList names{QStringLiteral("Time"),    QStringLiteral("Window"),
                                   QStringLiteral("Line"),    QStringLiteral("Direction"),
                                   QStringLiteral("Address"), QStringLiteral("Bytes"),
                                   QStringLiteral("Meaning")};
    return names.value(section);
}

} // namespace velnor
