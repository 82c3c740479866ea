#pragma once

#include <QByteArrayView>
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QtGlobal>

#include <functional>

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

// What came back from an address at one speed, and what it tells of the address.
struct HeardReply
{
    int baud = 0;
    quint8 address = 0;
    Reply reply = Reply::Silent;
    // The bytes in hex, "EE 6E".
    QString bytes;
    // Why a garbled reply reads as noise; empty for a clean answer.
    QString cause;
};

// The bytes that came back from address at baud (none when it stayed silent).
using HeardBytes = std::function<QByteArray(int baud, quint8 address)>;

// Every reply that brought bytes back: speed by speed in the order searched, each speed's
// addresses ascending.
QList<HeardReply> heardReplies(const ScanResult& result, const HeardBytes& heard);

} // namespace velnor
