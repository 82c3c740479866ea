#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace velnor {

// One frame read off the line, or a run of bytes that makes none: the bytes as they came and
// what they mean in the program's words ("select 105", "text 'Hello' / 'world'").
struct DecodedFrame
{
    enum class Kind {
        Select,
        Deselect,
        Text,
        CustomCharacter,
        Command,
        // The command that announces a block (start-up screen, bitmaps, a predefined text),
        // and the block itself.
        BlockHeader,
        Block,
        Acknowledge,
        Inputs,
        NoFrame,
    };

    Kind kind = Kind::NoFrame;
    QByteArray bytes;
    QString meaning;
    // The module the frame concerns: the one selected when it went out, 100 for all of them,
    // or the one that answered; -1 when none is known.
    int address = -1;

    bool operator==(const DecodedFrame&) const = default;
};

// Reads the bytes of the line in both directions as frames, split wherever the bytes were
// split: a frame is given once its last byte is in. Every byte ends up in exactly one frame
// or run that makes none, in the order it came. The bytes sent tell which answers to expect,
// so four bytes after a read-inputs frame are an input answer and two after a select an
// acknowledge; the modules' own answers carry no length.
class FrameDecoder
{
public:
    // Runs of bytes that make no frame are cut at this length, so no piece grows without end.
    static constexpr int MaxRun = 64;

    QList<DecodedFrame> sent(QByteArrayView bytes);
    QList<DecodedFrame> received(QByteArrayView bytes);
    // The sender stopped writing: a text or a lone deselect is complete. A block that is
    // still short of its length stays open, as the modules keep counting its bytes.
    QList<DecodedFrame> pauseSent();
    // A partial answer is given as bytes that make no frame; no answer is awaited any more.
    QList<DecodedFrame> endAnswers();
    // The sender is done: whatever it left open is given, a frame cut short as none.
    QList<DecodedFrame> endSent();

    // One read of the main window's receiver, judged as the receiver judges it: the first
    // answerLength bytes (2 or 4; 0 for none) are the answer it took from the selected module,
    // the rest make no frame. Every piece carries address, the module of the exchange the
    // bytes came during (-1 outside one).
    static QList<DecodedFrame> receiverRead(QByteArrayView bytes, int answerLength, int address);

private:
    enum class State { Idle, AfterSelect, AfterDeselect, AfterCommand, Arguments, Text, Stray };
    enum class Awaited { Acknowledge, Inputs };
    static constexpr int kConcerned = -2;

    void sentByte(quint8 byte, QList<DecodedFrame>& out);
    void idle(quint8 byte, QList<DecodedFrame>& out);
    void command(quint8 code, QList<DecodedFrame>& out);
    void arguments(QList<DecodedFrame>& out);
    void receivedByte(quint8 byte, QList<DecodedFrame>& out);
    void closeSent(QList<DecodedFrame>& out, bool pause);
    void closeReceived(QList<DecodedFrame>& out);
    void emitSent(DecodedFrame::Kind kind, QString meaning, QList<DecodedFrame>& out,
                  int address = kConcerned);
    void await(Awaited what);
    int concerned() const;

    State m_state = State::Idle;
    QByteArray m_pending;
    quint8 m_code = 0;
    int m_wanted = 0;
    // Who is selected: a module of its own, and whether the broadcast address is on.
    int m_own = -1;
    bool m_broadcast = false;

    QByteArray m_answer;
    bool m_answerStray = false;
    qsizetype m_answerLength = 0;
    QList<Awaited> m_awaited;
};

// What frames mean, one after the other, as a log line shows them; "..." for none yet (bytes
// that begin a frame still to be completed).
QString meaningOf(const QList<DecodedFrame>& frames);

} // namespace velnor
