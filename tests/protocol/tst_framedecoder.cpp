#include "protocol/FrameDecoder.h"
#include "protocol/Frames.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;

namespace {

QStringList meanings(const QList<DecodedFrame>& frames)
{
    QStringList list;
    for (const DecodedFrame& frame : frames)
        list.append(frame.meaning);
    return list;
}

QByteArray joined(const QList<DecodedFrame>& frames)
{
    QByteArray bytes;
    for (const DecodedFrame& frame : frames)
        bytes += frame.bytes;
    return bytes;
}

// As the log reads a frame the panel wrote: the write ends with a pause.
QList<DecodedFrame> decodeSent(FrameDecoder& decoder, const QByteArray& bytes)
{
    QList<DecodedFrame> frames = decoder.sent(bytes);
    return frames + decoder.pauseSent();
}

} // namespace

class tst_FrameDecoder final : public QObject
{
    Q_OBJECT

private slots:
    // Every frame the panel builds is named as what it was built for.
    void namesWhatWasBuilt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<int>("address");
        const auto row = [](const char* meaning, const QByteArray& bytes, int address = -1) {
            QTest::newRow(meaning) << bytes << QString::fromUtf8(meaning) << address;
        };
        row("select 105", frames::select(105), 105);
        row("select 99", frames::select(99), 99);
        row("deselect", frames::deselect());
        row("broadcast on", frames::broadcastOn(), 100);
        row("broadcast off", frames::broadcastOff(), 100);
        // A lone deselect lets go of the module selected by its own address, broadcast or not.
        row("select 101; broadcast on; deselect", QByteArray::fromHex("EF65EF64EA"), 101);
        row("clear", frames::clearDisplay());
        row("text 'Hello' / 'world'", frames::text(u"Hello"_s, u"world"_s)->bytes);
        row("text 'AB'", frames::text(u"AB"_s, {})->bytes);
        row("text '' / 'CD'", frames::text({}, u"CD"_s)->bytes);
        row("text 'a full row of 16' / 'next'",
            frames::text(u"a full row of 16"_s, u"next"_s)->bytes);
        row("text '\xc3\xa9t\xc3\xa9 ?'", frames::text(u"été \u00fe"_s, {})->bytes);
        row("predefined text 3 on row 1", frames::predefinedText(2, 1));
        row("predefined text 10 on row 0", frames::predefinedText(9, 0));
        row("cursor to row 1 column 15", frames::cursorPosition(1, 15));
        row("clear row 1", frames::clearRow(1));
        row("clear column 7", frames::clearColumn(7));
        row("cursor underline", frames::cursorLook(0));
        row("cursor blinking", frames::cursorLook(1));
        row("cursor hidden", frames::cursorLook(2));
        row("backlight on", frames::backlight(0));
        row("backlight off", frames::backlight(1));
        row("backlight flash", frames::backlight(2));
        row("custom character 1", frames::customCharacter(0));
        row("custom character 8", frames::customCharacter(7));
        row("read inputs", frames::readInputs());
        row("all outputs on", frames::allOutputsOn());
        row("all outputs off", frames::allOutputsOff());
        row("output 1 on", frames::setOutput(0, true));
        row("output 8 off", frames::setOutput(7, false));
        row("show serial number", frames::showSerialNumber());
        row("broadcast on; clear", frames::enterConfiguration(), 100);
        row("speed 9600", frames::baudRate(true));
        row("speed 4800", frames::baudRate(false));
        row("address 132", frames::newAddress(132));
        row("start-up screen, 32 characters follow", frames::startupScreenHeader());
        row("bitmaps, 64 bytes follow", frames::bitmapsHeader());
        row("end of bitmaps", frames::endOfBitmaps());
        row("predefined text 4, 16 characters follow", frames::storeTextHeader(3));
        row("broadcast on; store configuration", frames::saveToNonVolatileMemory(), 100);
    }

    void namesWhatWasBuilt()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, meaning);
        QFETCH(int, address);
        FrameDecoder decoder;
        const QList<DecodedFrame> frames = decodeSent(decoder, bytes);
        QCOMPARE(meanings(frames).join(u"; "_s), meaning);
        QCOMPARE(joined(frames), bytes);
        QCOMPARE(frames.constLast().address, address);
    }

    // Answers are told apart by what was sent before them; bytes that make no answer stay.
    void namesAnswers_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("meaning");
        const auto row = [](const char* name, const char* sent, const char* received,
                            const QString& meaning) {
            QTest::newRow(name) << QByteArray::fromHex(sent) << QByteArray::fromHex(received)
                                << meaning;
        };
        row("acknowledge", "EF69", "EE69", u"acknowledge from 105"_s);
        row("inputs", "FE0E", "EE69F50A", u"inputs of 105: 1 0 1 0 0 1 0 1"_s);
        row("select then inputs in one read", "EF66FE0E", "EE66EE660A05",
            u"acknowledge from 102; inputs of 102: 0 1 0 1 1 0 1 0"_s);
        row("nothing awaited", "", "EE65", u"acknowledge from 101"_s);
        row("garbage around", "EF65", "0102EE65FF", u"no frame; acknowledge from 101; no frame"_s);
        row("answer cut short", "FE0E", "EE6501", u"no frame: answer cut short"_s);
    }

    void namesAnswers()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, received);
        QFETCH(QString, meaning);
        FrameDecoder decoder;
        decodeSent(decoder, sent);
        QList<DecodedFrame> frames = decoder.received(received);
        frames += decoder.endAnswers();
        QCOMPARE(meanings(frames).join(u"; "_s), meaning);
        QCOMPARE(joined(frames), received);
    }

    // Bytes the modules would not take as a frame are kept and said to be none.
    void keepsBytesThatMakeNoFrame_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("meaning");
        const auto row = [](const char* hex, const QString& meaning) {
            QTest::newRow(hex) << QByteArray::fromHex(hex) << meaning;
        };
        row("0910EE", u"no frame"_s);
        row("FE47", u"no frame: unknown command 47"_s);
        row("EFFE01", u"no frame: select without an address; cursor underline"_s);
        row("FEEA", u"no frame: command without a code; deselect"_s);
        row("FE3201", u"no frame: cut short after 1 of 2 bytes"_s);
        row("FEC84142", u"start-up screen, 32 characters follow; no frame: cut short after 2 "
                        "of 32 bytes"_s);
        row("FE3307FF", u"output 8 to state FF (neither on nor off)"_s);
    }

    void keepsBytesThatMakeNoFrame()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, meaning);
        FrameDecoder decoder;
        QList<DecodedFrame> frames = decoder.sent(bytes);
        frames += decoder.endSent();
        QCOMPARE(meanings(frames).join(u"; "_s), meaning);
        QCOMPARE(joined(frames), bytes);
    }
};

QTEST_GUILESS_MAIN(tst_FrameDecoder)
#include "tst_framedecoder.moc"
