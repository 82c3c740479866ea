#pragma once

#include "emulator/Module.h"
#include "emulator/ModuleConfig.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

namespace velnor {

// A serial line with display modules on it: every module hears every byte through one shared
// parser, and the bytes the modules send back are returned. Time is handed in, never read
// from a clock, so the same bytes at the same times always give the same result.
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

    int moduleCount() const { return int(m_modules.size()); }
    const Module& module(int index) const { return m_modules.at(index); }
    // Bit n is input n + 1, set when the input is open.
    void setInputs(int index, quint8 inputs);

    // A silent line carries no answer at all, as if the modules' transmit wire were cut.
    void setSilent(bool silent) { m_silent = silent; }
    bool silent() const { return m_silent; }

    const QString& storePath() const { return m_storePath; }
    // Why the store file could not be read or written the last time, or empty.
    const QString& storeProblem() const { return m_storeProblem; }

signals:
    // Anything a module shows or holds may have changed.
    void changed();
    // Modules with this address answered together; the line carried the garbled bytes.
    void conflict(quint8 address, const QByteArray& garbled);
    void storeFailed(const QString& reason);

private:
    enum class State { Idle, AfterSelect, AfterDeselect, AfterCommand, InArguments };

    void step(quint8 byte, qint64 nowMs);
    void idle(quint8 byte, qint64 nowMs);
    void select(quint8 address);
    void deselect();
    void broadcastOff();
    void command(quint8 code, const QByteArray& arguments);
    void storeConfigurations();
    void sendAnswers();

    QList<Module> m_modules;
    QString m_storePath;
    QMap<quint32, ModuleConfig> m_store;
    QString m_storeProblem;
    bool m_silent = false;

    State m_state = State::Idle;
    qint64 m_now = 0;
    qint64 m_deselectAt = 0;
    quint8 m_code = 0;
    int m_argumentsWanted = 0;
    QByteArray m_arguments;
    // Answers of the frame being handled, one per module that answered, and the bytes the
    // line carries back from the current call.
    QList<QByteArray> m_answers;
    QList<int> m_answering;
    QByteArray m_output;
    bool m_changed = false;
};

} // namespace velnor
