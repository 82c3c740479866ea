#pragma once

#include "cli/Command.h"
#include "cli/ExitStatus.h"
#include "link/Commissioning.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTextStream>

namespace velnor {
class Panel;
} // namespace velnor

namespace velnor::cli {

// velnor-cli commission FILE --address A: one module alone on the line, found at either speed,
// given FILE's setup with address A and stored, then waited for until it answers at A at the
// file's speed (switched off and on meanwhile) or the time is up. One line of result, or JSON,
// on standard output; what it found and when to switch the module off and on on standard error.
class CommissionRun final : public QObject
{
    Q_OBJECT
public:
    CommissionRun(Panel& panel, const Command& command, QTextStream& out, QTextStream& err,
                  QObject* parent = nullptr);

    void start();

signals:
    void finished(velnor::cli::ExitStatus status);

private:
    // Progress for the person (or script) at the line: found, stored, switch it off and on.
    void note(const QString& text);
    void end(ExitStatus status, const QString& why = {});
    void printResult();

    const Command& m_command;
    QTextStream& m_out;
    QTextStream& m_err;
    Commissioning m_task;
    QElapsedTimer m_waited;
};

} // namespace velnor::cli
