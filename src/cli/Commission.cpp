#include "cli/Commission.h"

#include "shared/Formats.h"

#include "cli/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace velnor::cli {

CommissionRun::CommissionRun(Panel& panel, const Command& command, QTextStream& out,
                             QTextStream& err, QObject* parent)
    : QObject(parent), m_command(command), m_out(out), m_err(err), m_task(panel)
{
    connect(&m_task, &Commissioning::found, this,
            [this](Commissioning::Found found, const QString& text) {
                if (found == Commissioning::Found::None)
                    end(ExitStatus::NoAnswer, text);
                else if (found != Commissioning::Found::One)
                    end(ExitStatus::SeveralModules, text);
                else if (note(text); !m_task.upload(m_command.setup, quint8(m_command.address)))
                    end(ExitStatus::PortNotAvailable, u"the line is busy"_s);
            });
    connect(&m_task, &Commissioning::uploadEnded, this, [this](bool stored, const QString& text) {
        if (!stored) {
            end(ExitStatus::PortNotAvailable, text);
            return;
        }
        note(text);
        m_waited.start();
        if (!m_task.check(m_command.seconds * 1000))
            end(ExitStatus::PortNotAvailable, u"the line is busy"_s);
    });
    connect(&m_task, &Commissioning::checkEnded, this, [this](bool checked, const QString& text) {
        printResult();
        end(checked ? ExitStatus::Ok : ExitStatus::NotSeenInTime, checked ? QString() : text);
    });
}

void CommissionRun::start()
{
    if (!m_task.find())
        end(ExitStatus::PortNotAvailable, u"the line is busy"_s);
}

void CommissionRun::note(const QString& text)
{
    m_err << Session::kProgram << ": " << m_command.typed() << ": " << text << '\n';
    m_err.flush();
}

void CommissionRun::end(ExitStatus status, const QString& why)
{
    if (!why.isEmpty()) {
        m_err << Session::kProgram << ": " << m_command.typed() << ": " << why << '\n';
        m_err.flush();
    }
    emit finished(status);
}

void CommissionRun::printResult()
{
    const Commissioning::Result& r = m_task.result();
    const double seconds = double(m_waited.elapsed()) / 1000;
    if (m_command.json) {
        QJsonObject result{
            {u"address"_s, r.address},
            {u"speed"_s, r.baud},
            {u"found"_s, QJsonObject{{u"address"_s, r.oldAddress}, {u"speed"_s, r.oldBaud}}},
            {u"checked"_s, r.checked},
            {u"seconds"_s, qRound(seconds * 10) / 10.0},
            {u"time"_s, formats::logTime(r.time.toMSecsSinceEpoch())}};
        if (r.inputs) {
            QJsonArray inputs;
            for (bool open : *r.inputs)
                inputs.append(open ? 1 : 0);
            result.insert(u"inputs"_s, inputs);
        }
        m_out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    } else {
        m_out << u"%1 at %2 bit/s %3 after %4 s (found at %5 at %6 bit/s)%7\n"_s.arg(r.address)
                     .arg(r.baud)
                     .arg(r.checked ? u"checked"_s : u"NOT checked"_s)
                     .arg(seconds, 0, 'f', 1)
                     .arg(r.oldAddress)
                     .arg(r.oldBaud)
                     .arg(r.inputs ? u", inputs "_s + Commissioning::inputsText(*r.inputs)
                                   : QString());
    }
    m_out.flush();
}

} // namespace velnor::cli
