#include "app/MirrorFeed.h"

#include "link/ModuleScan.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "shared/Wire.h"

#include <memory>

namespace velnor {

namespace {

QString lineOf(const SerialPort& port)
{
    return QString::number(port.commPort()) + QLatin1Char(' ') + port.settings();
}

} // namespace

MirrorFeed::MirrorFeed(Panel& panel, QObject* parent)
    : QObject(parent), m_panel(panel), m_line(lineOf(panel.port()))
{
    connect(&panel.link(), &FrameLink::frameSent, this, [this](const QByteArray& bytes) {
        checkLine();
        m_mirror.sent(bytes);
    });
    connect(&panel.configLink(), &ConfigLink::frameSent, this, [this](const QByteArray& bytes) {
        checkLine();
        const SerialPort& config = m_panel.configPort();
        if (lineOf(config) == m_line)
            m_mirror.sent(bytes);
        else if (config.commPort() == m_panel.port().commPort())
            // The same wire at another speed: what that did to the modules is not known.
            m_mirror.newLine();
    });
    connect(&panel.exchanges(), &Exchanges::exchangeEnded, this,
            [this](const Exchange::Outcome& outcome) {
                if (outcome.kind == Exchange::Kind::Select && !outcome.answered)
                    m_mirror.unanswered(outcome.address);
            });
}

void MirrorFeed::checkLine()
{
    QString line = lineOf(m_panel.port());
    if (line != m_line) {
        m_line = std::move(line);
        m_mirror.newLine();
    }
}

void MirrorFeed::follow(ModuleScan& scan)
{
    auto answered = std::make_shared<QList<QPair<int, quint8>>>();
    connect(&scan, &ModuleScan::progress, this, [this, answered](int step) {
        if (step == 1)
            answered->clear();
        m_mirror.setListing(false);
    });
    connect(&scan, &ModuleScan::judged, this, [answered](int baud, quint8 address, Reply reply) {
        if (reply == Reply::Answered)
            answered->append({baud, address});
    });
    connect(&scan, &ModuleScan::finished, this, [this, answered] {
        checkLine();
        m_mirror.setListing(true);
        for (const auto& [baud, address] : std::as_const(*answered)) {
            if (wire::atSpeed(m_panel.port().settings(), baud))
                m_mirror.list(address);
        }
    });
}

} // namespace velnor
