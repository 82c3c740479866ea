#include "link/ScanResult.h"

#include "shared/Formats.h"
#include "shared/Wire.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace velnor {

Reply judgeReply(quint8 address, QByteArrayView received)
{
    if (received.isEmpty())
        return Reply::Silent;
    const bool acknowledged = received.size() == wire::AcknowledgementLength &&
                              quint8(received[0]) == wire::Answer &&
                              quint8(received[1]) == address;
    return acknowledged ? Reply::Answered : Reply::Garbled;
}

void ScanResult::record(int baud, quint8 address, Reply reply)
{
    auto pass = std::find_if(m_passes.begin(), m_passes.end(),
                             [baud](const Pass& p) { return p.baud == baud; });
    if (pass == m_passes.end()) {
        m_passes.append(Pass{baud, {}});
        pass = m_passes.end() - 1;
    }
    pass->replies.insert(address, reply);
}

QList<int> ScanResult::speeds() const
{
    QList<int> speeds;
    for (const Pass& pass : m_passes)
        speeds.append(pass.baud);
    return speeds;
}

Reply ScanResult::replyAt(int baud, quint8 address) const
{
    for (const Pass& pass : m_passes) {
        if (pass.baud == baud)
            return pass.replies.value(address, Reply::Silent);
    }
    return Reply::Silent;
}

Reply ScanResult::reply(quint8 address) const
{
    Reply overall = Reply::Silent;
    for (const Pass& pass : m_passes) {
        const Reply at = pass.replies.value(address, Reply::Silent);
        if (at == Reply::Answered)
            return at;
        if (at == Reply::Garbled)
            overall = at;
    }
    return overall;
}

QList<quint8> ScanResult::addresses(Reply wanted) const
{
    QSet<quint8> searched;
    for (const Pass& pass : m_passes) {
        for (auto it = pass.replies.keyBegin(); it != pass.replies.keyEnd(); ++it)
            searched.insert(*it);
    }
    QList<quint8> found;
    for (quint8 address : searched) {
        if (reply(address) == wanted)
            found.append(address);
    }
    std::sort(found.begin(), found.end());
    return found;
}

QList<quint8> ScanResult::addressesAt(int baud, Reply wanted) const
{
    QList<quint8> found;
    for (const Pass& pass : m_passes) {
        if (pass.baud != baud)
            continue;
        for (auto it = pass.replies.cbegin(); it != pass.replies.cend(); ++it) {
            if (it.value() == wanted)
                found.append(it.key());
        }
    }
    return found;
}

QList<int> ScanResult::answeringSpeeds(quint8 address) const
{
    QList<int> speeds;
    for (const Pass& pass : m_passes) {
        if (pass.replies.value(address, Reply::Silent) == Reply::Answered)
            speeds.append(pass.baud);
    }
    return speeds;
}

QList<HeardReply> heardReplies(const ScanResult& result, const HeardBytes& heard)
{
    QList<HeardReply> replies;
    for (int baud : result.speeds()) {
        // A silent address brought nothing back.
        QList<quint8> addresses =
            result.addressesAt(baud, Reply::Answered) + result.addressesAt(baud, Reply::Garbled);
        std::sort(addresses.begin(), addresses.end());
        for (quint8 address : addresses) {
            HeardReply reply{baud, address, result.replyAt(baud, address), {}, {}};
            reply.bytes = formats::hex(heard(baud, address));
            const QList<int> clean = result.answeringSpeeds(address);
            if (reply.reply == Reply::Garbled && clean.isEmpty())
                reply.cause =
                    QStringLiteral("two modules on this address, or one at another speed");
            else if (reply.reply == Reply::Garbled)
                reply.cause =
                    QStringLiteral("a module here answers at %1").arg(formats::numbers(clean));
            replies.append(reply);
        }
    }
    return replies;
}

} // namespace velnor
