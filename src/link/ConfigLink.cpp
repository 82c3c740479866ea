#include "link/ConfigLink.h"

namespace velnor {

ConfigLink::ConfigLink(SerialPort& port, TickSource& ticks, MessageSink& messages, WaitGate& gate,
                       QObject* parent)
    : QObject(parent), m_frames(port, messages, nullptr), m_runner(m_frames, ticks, gate)
{
    connect(&m_frames, &FrameLink::frameSent, this, &ConfigLink::frameSent);
}

bool ConfigLink::start(const QList<UploadStep>& steps)
{
    QList<Exchange> run;
    for (const UploadStep& step : steps) {
        const qint16 ticks = step.waitAfter ? 1 : 0;
        run.append(step.kind == UploadStep::Kind::Text ? Exchange::text(step.bytes, ticks)
                                                       : Exchange::frame(step.bytes, ticks));
    }
    const auto total = int(steps.size());
    return m_runner.start(
        run, this,
        {[this, steps](qsizetype index) {
             for (const UploadStep::Fill& fill : steps.at(index).fills)
                 emit filled(fill.field, fill.text);
         },
         [this, total](qsizetype index) { emit stepSent(int(index + 1), total); },
         {},
         [this](bool completed) { emit finished(completed); }});
}

} // namespace velnor
