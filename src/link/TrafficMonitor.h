#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

namespace velnor {

// The two lines of the traffic monitor: the frame last sent and what came back since. Both are
// emptied when the next frame starts, so they never hold more than one exchange; the receive
// line keeps only the latest kRxTail bytes after a "... ", so a module that never stops
// talking cannot make it grow.
class TrafficMonitor final : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kRxTail = 15;

    using QObject::QObject;

    const QString& txText() const { return m_tx; }
    const QString& rxText() const { return m_rx; }

    void clear();
    void appendTx(QByteArrayView bytes);
    // A text frame shows as the text typed, not as hex.
    void showTx(const QString& text);
    void appendRx(QByteArrayView bytes);

signals:
    void txTextChanged(const QString& text);
    void rxTextChanged(const QString& text);

private:
    QString m_tx;
    QString m_rx;
    QByteArray m_rxBytes;
    bool m_rxCut = false;
};

} // namespace velnor
