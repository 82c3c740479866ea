#include "protocol/FrameDecoder.h"

#include "shared/Formats.h"
#include "shared/ModuleLimits.h"
#include "shared/Wire.h"

#include <QStringList>

#include <utility>

namespace velnor {

namespace {

using Kind = DecodedFrame::Kind;
namespace c = wire::code;

// Answers awaited at most: selects that nobody answers must not pile up.
constexpr qsizetype kMostAwaited = 8;

// A shown text: each byte a character of ISO-8859-1, control codes as "?" so that a meaning
// stays on one line, without the spaces that fill a fixed field out, in quotes.
QString quoted(QByteArrayView bytes, bool trimFill)
{
    QString text = QString::fromLatin1(bytes);
    for (QChar& ch : text) {
        if (ch.unicode() < wire::FirstCharacter || (ch.unicode() >= 0x7F && ch.unicode() < 0xA0))
            ch = QLatin1Char('?');
    }
    if (trimFill) {
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
    }
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// A text run: 0x0D clears the display and starts the first row, 0x0C starts the second, and
// after a clear a full first row of 16 continues on the second.
QString textMeaning(QByteArrayView bytes)
{
    const auto first = quint8(bytes.front());
    const bool cleared = first == wire::ClearDisplay;
    if (cleared && bytes.size() == 1)
        return QStringLiteral("clear");
    QString lead = QStringLiteral("text ");
    qsizetype from = cleared ? 1 : 0;
    if (!cleared && first == wire::SecondRow) {
        lead = QStringLiteral("text on the second row ");
        from = 1;
    } else if (!cleared) {
        lead = QStringLiteral("text at the cursor ");
    }
    QStringList rows;
    QByteArray row;
    bool wrapped = false;
    for (const char byte : bytes.sliced(from)) {
        wrapped = false;
        if (quint8(byte) == wire::SecondRow) {
            rows.append(quoted(std::exchange(row, {}), false));
            continue;
        }
        row.append(byte);
        if (cleared && rows.isEmpty() && row.size() == limits::Columns) {
            rows.append(quoted(std::exchange(row, {}), false));
            wrapped = true;
        }
    }
    if (!wrapped)
        rows.append(quoted(row, false));
    return lead + rows.join(QStringLiteral(" / "));
}

QString simpleCommand(quint8 code)
{
    switch (code) {
    case c::CursorUnderline:
        return QStringLiteral("cursor underline");
    case c::CursorBlinking:
        return QStringLiteral("cursor blinking");
    case c::CursorHidden:
        return QStringLiteral("cursor hidden");
    case c::BacklightOn:
        return QStringLiteral("backlight on");
    case c::BacklightOff:
        return QStringLiteral("backlight off");
    case c::NoEffect:
        // Accepted by the modules and acted on by none of them.
        return QStringLiteral("command 08 (changes nothing)");
    case c::ShowSerialNumber:
        return QStringLiteral("show serial number");
    case c::BacklightFlashing:
        return QStringLiteral("backlight flash");
    case c::AllOutputsOn:
        return QStringLiteral("all outputs on");
    case c::AllOutputsOff:
        return QStringLiteral("all outputs off");
    case c::ReadInputs:
        return QStringLiteral("read inputs");
    case c::Baud9600:
        return QStringLiteral("speed 9600");
    case c::Baud4800:
        return QStringLiteral("speed 4800");
    case c::Store:
        return QStringLiteral("store configuration");
    default:
        return {};
    }
}

// Predefined texts are numbered 101 to 110 on the wire and 1 to 10 for the user.
QString textNumber(quint8 byte)
{
    if (byte >= c::FirstText && byte <= c::LastText)
        return QString::number(byte - c::FirstText + 1);
    return QStringLiteral("byte ") + formats::hex(byte);
}

QString argumentCommand(quint8 code, QByteArrayView args)
{
    const auto arg = [&args](int i) { return int(quint8(args.at(i))); };
    switch (code) {
    case c::ClearRow:
        return QStringLiteral("clear row %1").arg(arg(0));
    case c::ClearColumn:
        return QStringLiteral("clear column %1").arg(arg(0));
    case c::NewAddress:
        return QStringLiteral("address %1").arg(arg(0));
    case c::CursorPosition:
        return QStringLiteral("cursor to row %1 column %2").arg(arg(0)).arg(arg(1));
    case c::SetOutput:
        if (arg(1) == wire::OutputHigh || arg(1) == wire::OutputLow) {
            return QStringLiteral("output %1 %2")
                .arg(arg(0) + 1)
                .arg(arg(1) == wire::OutputHigh ? QStringLiteral("on") : QStringLiteral("off"));
        }
        return QStringLiteral("output %1 to state %2 (neither on nor off)")
            .arg(arg(0) + 1)
            .arg(formats::hex(quint8(arg(1))));
    case c::ShowText:
        return QStringLiteral("predefined text %1 on row %2")
            .arg(textNumber(quint8(arg(0))))
            .arg(arg(1));
    case c::StartupScreen:
        return QStringLiteral("start-up line 1 %1 / line 2 %2")
            .arg(quoted(args.first(limits::Columns), true),
                 quoted(args.sliced(limits::Columns), true));
    case c::Bitmaps:
        return QStringLiteral("bitmaps of custom characters 1 to 8");
    default:
        return QStringLiteral("predefined text %1 %2").arg(textNumber(code), quoted(args, true));
    }
}

QString blockHeader(quint8 code, int length)
{
    if (code == c::StartupScreen)
        return QStringLiteral("start-up screen, %1 characters follow").arg(length);
    if (code == c::Bitmaps)
        return QStringLiteral("bitmaps, %1 bytes follow").arg(length);
    return QStringLiteral("predefined text %1, %2 characters follow")
        .arg(textNumber(code))
        .arg(length);
}

bool carriesBlock(quint8 code)
{
    return code == c::StartupScreen || code == c::Bitmaps ||
           (code >= c::FirstText && code <= c::LastText);
}

QString noFrame(const QString& why = {})
{
    return why.isEmpty() ? QStringLiteral("no frame") : QStringLiteral("no frame: ") + why;
}

QString inputStates(quint8 first, quint8 second)
{
    // As the panel's squares read, inputs 1 to 8 from left to right: 1 open, 0 closed.
    QStringList states;
    for (const quint8 bits : {first, second}) {
        for (int bit = 0; bit < wire::InputsPerAnswerByte; ++bit)
            states.append((bits >> bit) & 1u ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return states.join(QLatin1Char(' '));
}

// A whole answer: an acknowledgement, or the four bytes of an input answer.
DecodedFrame answerFrame(const QByteArray& answer)
{
    const int address = quint8(answer.at(1));
    if (answer.size() == wire::InputAnswerLength) {
        return {Kind::Inputs, answer,
                QStringLiteral("inputs of %1: %2")
                    .arg(address)
                    .arg(inputStates(quint8(answer.at(2)), quint8(answer.at(3)))),
                address};
    }
    return {Kind::Acknowledge, answer, QStringLiteral("acknowledge from %1").arg(address),
            address};
}

} // namespace

QList<DecodedFrame> FrameDecoder::sent(QByteArrayView bytes)
{
    QList<DecodedFrame> out;
    for (const char byte : bytes)
        sentByte(quint8(byte), out);
    return out;
}

QList<DecodedFrame> FrameDecoder::received(QByteArrayView bytes)
{
    QList<DecodedFrame> out;
    for (const char byte : bytes)
        receivedByte(quint8(byte), out);
    return out;
}

QList<DecodedFrame> FrameDecoder::receiverRead(QByteArrayView bytes, int answerLength, int address)
{
    QList<DecodedFrame> out;
    if (answerLength > 0 && bytes.size() >= answerLength) {
        out.append(answerFrame(bytes.first(answerLength).toByteArray()));
        bytes = bytes.sliced(answerLength);
    }
    // What the receiver dropped: all of a read that made no answer, or what followed one.
    const QString meaning =
        out.isEmpty() ? noFrame() : noFrame(QStringLiteral("after the answer"));
    while (!bytes.isEmpty()) {
        const qsizetype piece = qMin<qsizetype>(bytes.size(), MaxRun);
        out.append({Kind::NoFrame, bytes.first(piece).toByteArray(), meaning, address});
        bytes = bytes.sliced(piece);
    }
    return out;
}

QList<DecodedFrame> FrameDecoder::pauseSent()
{
    QList<DecodedFrame> out;
    closeSent(out, true);
    return out;
}

QList<DecodedFrame> FrameDecoder::endAnswers()
{
    QList<DecodedFrame> out;
    closeReceived(out);
    m_awaited.clear();
    return out;
}

QList<DecodedFrame> FrameDecoder::endSent()
{
    QList<DecodedFrame> out;
    closeSent(out, false);
    return out;
}

int FrameDecoder::concerned() const
{
    return m_broadcast ? int(wire::Broadcast) : m_own;
}

void FrameDecoder::await(Awaited what)
{
    if (m_awaited.size() == kMostAwaited)
        m_awaited.removeFirst();
    m_awaited.append(what);
}

void FrameDecoder::emitSent(Kind kind, QString meaning, QList<DecodedFrame>& out, int address)
{
    out.append({kind, std::exchange(m_pending, {}), std::move(meaning),
                address == kConcerned ? concerned() : address});
    m_state = State::Idle;
}

void FrameDecoder::closeSent(QList<DecodedFrame>& out, bool pause)
{
    switch (m_state) {
    case State::Idle:
        return;
    case State::Text:
        emitSent(Kind::Text, textMeaning(m_pending), out);
        return;
    case State::Stray:
        emitSent(Kind::NoFrame, noFrame(), out);
        return;
    case State::AfterDeselect: {
        const int own = std::exchange(m_own, -1);
        if (own >= 0)
            await(Awaited::Acknowledge);
        // It lets go of the module selected by its own address; only without one does it
        // concern the broadcast address, if that is on.
        emitSent(Kind::Deselect, QStringLiteral("deselect"), out,
                 own < 0 && m_broadcast ? int(wire::Broadcast) : own);
        return;
    }
    default:
        break;
    }
    if (pause)
        return;
    if (m_pending.isEmpty()) {
        // A block was announced and none of it came: the announcement has its row already.
        m_state = State::Idle;
        return;
    }
    if (m_state == State::AfterSelect)
        emitSent(Kind::NoFrame, noFrame(QStringLiteral("select without an address")), out);
    else if (m_state == State::AfterCommand)
        emitSent(Kind::NoFrame, noFrame(QStringLiteral("command without a code")), out);
    else
        emitSent(Kind::NoFrame,
                 noFrame(QStringLiteral("cut short after %1 of %2 bytes")
                             .arg(m_pending.size() - (carriesBlock(m_code) ? 0 : 2))
                             .arg(m_wanted)),
                 out);
}

void FrameDecoder::sentByte(quint8 byte, QList<DecodedFrame>& out)
{
    switch (m_state) {
    case State::Idle:
        idle(byte, out);
        break;
    case State::AfterSelect:
        if (wire::isFrameStart(byte)) {
            // The modules forget a select cut short and read the byte afresh.
            emitSent(Kind::NoFrame, noFrame(QStringLiteral("select without an address")), out);
            idle(byte, out);
            break;
        }
        m_pending.append(char(byte));
        if (byte == wire::Broadcast) {
            m_broadcast = true;
            emitSent(Kind::Select, QStringLiteral("broadcast on"), out);
        } else {
            m_broadcast = false;
            m_own = byte;
            await(Awaited::Acknowledge);
            emitSent(Kind::Select, QStringLiteral("select %1").arg(int(byte)), out);
        }
        break;
    case State::AfterDeselect:
        if (byte == wire::Broadcast) {
            m_pending.append(char(byte));
            emitSent(Kind::Deselect, QStringLiteral("broadcast off"), out, wire::Broadcast);
            m_broadcast = false;
            break;
        }
        closeSent(out, true);
        idle(byte, out);
        break;
    case State::AfterCommand:
        if (wire::isFrameStart(byte)) {
            emitSent(Kind::NoFrame, noFrame(QStringLiteral("command without a code")), out);
            idle(byte, out);
            break;
        }
        m_pending.append(char(byte));
        command(byte, out);
        break;
    case State::Arguments:
        // Arguments are taken whatever their value, as the modules do: bitmaps hold any byte.
        m_pending.append(char(byte));
        arguments(out);
        break;
    case State::Text:
        if (byte == wire::SecondRow || wire::isShown(byte)) {
            m_pending.append(char(byte));
            if (m_pending.size() == MaxRun)
                closeSent(out, true);
            break;
        }
        closeSent(out, true);
        idle(byte, out);
        break;
    case State::Stray:
        if (byte > wire::LastCustomCharacter && !wire::isShown(byte) &&
            !wire::isFrameStart(byte) && byte != wire::ClearDisplay && byte != wire::SecondRow) {
            m_pending.append(char(byte));
            if (m_pending.size() == MaxRun)
                closeSent(out, true);
            break;
        }
        closeSent(out, true);
        idle(byte, out);
        break;
    }
}

void FrameDecoder::idle(quint8 byte, QList<DecodedFrame>& out)
{
    m_pending.append(char(byte));
    if (byte == wire::Select) {
        m_state = State::AfterSelect;
    } else if (byte == wire::Deselect) {
        m_state = State::AfterDeselect;
    } else if (byte == wire::Command) {
        m_state = State::AfterCommand;
    } else if (byte <= wire::LastCustomCharacter) {
        emitSent(Kind::CustomCharacter, QStringLiteral("custom character %1").arg(byte + 1), out);
    } else if (byte == wire::ClearDisplay || byte == wire::SecondRow || wire::isShown(byte)) {
        m_state = State::Text;
    } else {
        m_state = State::Stray;
    }
}

void FrameDecoder::command(quint8 code, QList<DecodedFrame>& out)
{
    const int count = wire::argumentCount(code);
    if (count < 0) {
        emitSent(Kind::NoFrame, noFrame(QStringLiteral("unknown command ") + formats::hex(code)),
                 out);
        return;
    }
    if (count == 0) {
        if (code == c::ReadInputs)
            await(Awaited::Inputs);
        emitSent(Kind::Command, simpleCommand(code), out);
        return;
    }
    m_code = code;
    m_wanted = count;
    // The announcing frame goes out by itself and the block follows in a write of its own, so
    // each is named as soon as it is in.
    if (carriesBlock(code))
        emitSent(Kind::BlockHeader, blockHeader(code, count), out);
    m_state = State::Arguments;
}

void FrameDecoder::arguments(QList<DecodedFrame>& out)
{
    const qsizetype start = carriesBlock(m_code) ? 0 : 2;
    if (m_pending.size() - start < m_wanted)
        return;
    emitSent(start == 0 ? Kind::Block : Kind::Command,
             argumentCommand(m_code, QByteArrayView(m_pending).sliced(start)), out);
}

void FrameDecoder::receivedByte(quint8 byte, QList<DecodedFrame>& out)
{
    if (m_answerStray && (byte == wire::Answer || m_answer.size() == MaxRun))
        closeReceived(out);
    if (m_answer.isEmpty())
        m_answerStray = byte != wire::Answer;
    m_answer.append(char(byte));
    if (m_answerStray)
        return;
    if (m_answer.size() == wire::AcknowledgementLength) {
        // Which answer this is comes from what was sent: the oldest one still awaited.
        const bool inputs = !m_awaited.isEmpty() && m_awaited.takeFirst() == Awaited::Inputs;
        m_answerLength = inputs ? wire::InputAnswerLength : wire::AcknowledgementLength;
    }
    if (m_answer.size() < wire::AcknowledgementLength || m_answer.size() < m_answerLength)
        return;
    out.append(answerFrame(std::exchange(m_answer, {})));
}

void FrameDecoder::closeReceived(QList<DecodedFrame>& out)
{
    if (m_answer.isEmpty())
        return;
    const bool stray = std::exchange(m_answerStray, false);
    const int address = !stray && m_answer.size() > 1 ? quint8(m_answer.at(1)) : -1;
    out.append({Kind::NoFrame, std::exchange(m_answer, {}),
                stray ? noFrame() : noFrame(QStringLiteral("answer cut short")), address});
}

QString meaningOf(const QList<DecodedFrame>& frames)
{
    if (frames.isEmpty())
        return QStringLiteral("...");
    QStringList meanings;
    for (const DecodedFrame& frame : frames)
        meanings.append(frame.meaning);
    return meanings.join(QStringLiteral("; "));
}

} // namespace velnor
