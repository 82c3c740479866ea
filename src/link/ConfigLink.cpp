#include "link/ConfigLink.h"

namespace velnor {

ConfigLink::ConfigLink(SerialPort& port, TickSource& ticks, MessageSink& messages, WaitGate& gate,
                       QObject* parent)
    : QObject(parent), m_frames(port, messages, nullptr), m_runner(m_frames, ticks, gate)
{
    connect(&m_frames, &FrameLink::frameSent, this, &ConfigLink::frameSent);
}

bool ConfigLink::start(const QList<UploadStep>& steps, QObject* context, Upload upload)
{
    QList<Exchange> run;
    for (const UploadStep& step : steps) {
        const qint16 ticks = step.waitAfter ? 1 : 0;
        run.append(step.kind == UploadStep::Kind::Text ? Exchange::text(step.bytes, ticks)
                                                       : Exchange::frame(step.bytes, ticks));
    }
    const auto total = int(steps.size());
    Exchanges::Run walk;
    walk.starting = [steps, filled = std::move(upload.filled)](qsizetype index) {
        for (const UploadStep::Fill& fill : steps.at(index).fills) {
            if (filled)
                filled(fill.field, fill.text);
        }
    };
    walk.sent = [this, total, sent = std::move(upload.stepSent)](qsizetype index) {
        if (sent)
            sent(int(index + 1), total);
        emit stepSent(int(index + 1), total);
    };
    walk.finished = [this, ended = std::move(upload.finished)](bool completed) {
        if (ended)
            ended(completed);
        emit finished(completed);
    };
    return m_runner.start(run, context, std::move(walk));
}

} // namespace velnor
