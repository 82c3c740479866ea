#pragma once

#include "module/Module.h"
#include "module/ModuleConfig.h"
#include "shared/Wire.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

namespace velnor {

// A serial line with display modules on it: every module hears every byte, and the bytes the
// modules send back are returned. The line runs at the speed the far end set on it; a module
// set to another speed hears garbage and its answers read as garbage, as a real receiver
// sampling at the wrong rate makes of them. Time and speed are handed in, never read from a
// clock or a device, so the same bytes at the same times always give the same result.
class Line : public QObject
{
    Q_OBJECT
public:
    // How long after 0xEA a 0x64 still makes it "broadcast off" rather than a deselect.
    static constexpr qint64 BroadcastOffWindowMs = 20;

    // One module for each factory address (several may share one). With a store path the
    // modules start from that file and store into it; without, their store lives in memory.
    explicit Line(const QList<quint8>& factoryAddresses, QString storePath = {},
                  QObject* parent = nullptr);

    // Bytes arriving at nowMs (never less than the time of the previous call); returns the
    // bytes the modules send back in answer.
    QByteArray feed(const QByteArray& bytes, qint64 nowMs);
    // Lets time pass: a lone 0xEA becomes a deselect once its window has closed. Returns the
    // answers that gives.
    QByteArray advance(qint64 nowMs);
    // The time at which advance() has something to do, if any.
    std::optional<qint64> deadline() const;

    // Switches every module off and on again: each starts from its stored configuration.
    // The store file is read when the line is made; later power-ups use what was stored since.
    void powerUp();

    // A module fresh from the box plugged onto the running line: its factory address, and
    // listening at baud (a module someone stored at 4800 before). Returns its index.
    int plug(quint8 factoryAddress, int baud = wire::FastSpeed);
    // Unplugs the modules answering to address now, or every module for 0; how many went.
    // What they stored stays in the store, as it would in a module on the shelf.
    int unplug(quint8 address);

    int moduleCount() const { return int(m_modules.size()); }
    const Module& module(int index) const { return m_modules.at(index); }
    // Bit n is input n + 1, set when the input is open.
    void setInputs(int index, quint8 inputs);

    // The speed the far end sends and receives at, in bit/s; 9600 until set.
    void setSpeed(int baud);
    int speed() const { return m_speed; }

    // A silent line carries no answer at all, as if the modules' transmit wire were cut.
    void setSilent(bool silent) { m_silent = silent; }
    bool silent() const { return m_silent; }

    const QString& storePath() const { return m_storePath; }
    // Why the store file could not be read or written the last time, or empty.
    const QString& storeProblem() const { return m_storeProblem; }

signals:
    // Anything a module shows or holds may have changed.
    void changed();
    // Modules were plugged or unplugged: indexes changed.
    void modulesChanged();
    // Modules with this address answered together; the line carried the garbled bytes.
    void conflict(quint8 address, const QByteArray& garbled);
    void storeFailed(const QString& reason);
    void speedChanged(int baud);

private:
    enum class State { Idle, AfterSelect, AfterDeselect, AfterCommand, InArguments };

    // How the modules at one speed read the line: they all hear the same bytes, so they share
    // one reading of them.
    struct Reader
    {
        int baud = wire::FastSpeed;
        State state = State::Idle;
        qint64 deselectAt = 0;
        quint8 code = 0;
        int argumentsWanted = 0;
        QByteArray arguments;
    };

    void step(Reader& reader, quint8 byte, qint64 nowMs);
    void idle(Reader& reader, quint8 byte, qint64 nowMs);
    void select(int baud, quint8 address);
    void deselect(int baud);
    void broadcastOff(int baud);
    void command(int baud, quint8 code, const QByteArray& arguments);
    void storeConfigurations();
    void sendAnswers();
    void listenAt(int baud);

    QList<Module> m_modules;
    // Modules made so far for each factory address, for the next one's serial number.
    QHash<quint8, int> m_made;
    QString m_storePath;
    QMap<quint32, ModuleConfig> m_store;
    QString m_storeProblem;
    bool m_silent = false;

    int m_speed = wire::FastSpeed;
    QList<Reader> m_readers;
    qint64 m_now = 0;
    // Answers of the frame being handled, one per module that answered, and the bytes the
    // line carries back from the current call.
    QList<QByteArray> m_answers;
    QList<int> m_answering;
    QByteArray m_output;
};

} // namespace velnor
