#pragma once

#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QtGlobal>

namespace velnor {

// How an address met its select during a search of the line.
enum class Reply {
    // Nothing came back.
    Silent,
    // Exactly the acknowledgement EE aa of that address.
    Answered,
    // Something else came back: two modules answering at once on one address, or a module
    // at another line speed, whose answer reads as noise.
    Garbled,
};

// What the bytes received while waiting for address's acknowledgement say about it. One
// module answers once with two bytes, so anything more or other than that is garbled.
Reply judgeReply(quint8 address, QByteArrayView received);

// The modules found on the line: for each speed searched (in the order searched) how each
// address searched replied.
class ScanResult
{
public:
    void record(int baud, quint8 address, Reply reply);

    QList<int> speeds() const;
    // Silent for an address not searched at that speed.
    Reply replyAt(int baud, quint8 address) const;
    // Answered at some speed; else garbled at some speed; else silent.
    Reply reply(quint8 address) const;
    // The addresses searched with that overall reply, ascending.
    QList<quint8> addresses(Reply reply) const;
    // The addresses that gave that reply at one speed, ascending.
    QList<quint8> addressesAt(int baud, Reply reply) const;
    // The speeds at which address answered, in the order searched.
    QList<int> answeringSpeeds(quint8 address) const;
    bool anyAnswered() const { return !addresses(Reply::Answered).isEmpty(); }

    bool operator==(const ScanResult&) const = default;

private:
    struct Pass
    {
        int baud = 0;
        QMap<quint8, Reply> replies;
        bool operator==(const Pass&) const = default;
    };

    QList<Pass> m_passes;
};

} // namespace velnor
