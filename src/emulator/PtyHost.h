#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QSocketNotifier;

namespace velnor {

class Line;

// Carries a Line over a pseudo-terminal: a program opens the terminal's device as if it were a
// serial port, and the modules answer on it. Everything runs from the event loop it lives in,
// nested loops included, and nothing blocks.
class PtyHost : public QObject
{
    Q_OBJECT
public:
    // The link the program keeps unless told otherwise.
    static QString defaultLinkPath();

    explicit PtyHost(const QList<quint8>& addresses, QString storePath = {},
                     QObject* parent = nullptr);
    ~PtyHost() override;

    // A symbolic link kept pointing at the device while the host runs, so the device has a
    // name that stays the same from run to run; empty (the default) for none, so tests and
    // other in-process users leave a running emulator's link alone. Takes effect at start().
    void setLinkPath(const QString& path) { m_linkPath = path; }
    // Opens the terminal and places the link; false with the reason in *error when it could
    // not.
    bool start(QString* error = nullptr);
    // Why the link cannot be taken, or empty: it leads to the line of another emulator still
    // running. Taking it over would cut that line off from the panel that reaches it.
    QString linkConflict() const;
    bool isRunning() const { return m_master >= 0; }

    // The terminal's device, such as /dev/pts/3.
    const QString& slavePath() const { return m_slavePath; }
    const QString& linkPath() const { return m_linkPath; }
    // The link when there is one, else the device: the name to give the panel.
    QString devicePath() const;
    // How many other programs hold the device, or nullopt when that cannot be told: a program
    // whose descriptors may not be read (another user's, say a panel started with sudo) might.
    std::optional<int> peers() const { return m_peers; }
    // Whether another program may have the device open. Answers are dropped, as on a serial
    // port nobody listens to, only when it is certain that nobody has.
    bool peerOpen() const { return !m_peers || *m_peers > 0; }

    Line& line() { return *m_line; }
    const Line& line() const { return *m_line; }

signals:
    // The bytes of one read from the line, as they arrived.
    void frameReceived(const QByteArray& bytes);
    // The bytes the modules sent back that went out on the line.
    void answered(const QByteArray& bytes);
    // Bytes the modules sent back that nobody could read: nobody held the device, or whoever
    // did let its buffer fill up.
    void dropped(const QByteArray& bytes);
    void changed();
    void peersChanged();

private:
    void readLine();
    // Reads what the line carries and feeds it to the modules as arrived by arrivedBy, or now.
    void takeIn(std::optional<qint64> arrivedBy);
    void resolveDeadline();
    void scheduleDeadline();
    void send(const QByteArray& answer);
    void readPeerEvents();
    bool drainPeerEvents();
    void countPeers();
    std::optional<int> otherDescriptorsOnDevice() const;
    void clearStaleExclusiveMode();
    void clearExclusiveModeIfNobodyHolds();
    void removeLeftoverLinks();
    bool placeLink(QString* error);
    // The process of another emulator whose line device is, if any.
    std::optional<qint64> emulatorProviding(const QString& device) const;
    void removeLink();
    void stop();

    Line* m_line;
    int m_master = -1;
    int m_slave = -1;
    int m_inotify = -1;
    QSocketNotifier* m_lineNotifier = nullptr;
    QSocketNotifier* m_peerNotifier = nullptr;
    QTimer m_deadlineTimer;
    QTimer m_retryTimer;
    QElapsedTimer m_clock;
    QString m_slavePath;
    QString m_linkPath;
    bool m_linkPlaced = false;
    // A new device has nobody on it yet.
    std::optional<int> m_peers = 0;
};

} // namespace velnor
