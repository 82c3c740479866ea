#include "protocol/FrameDecoder.h"
#include "protocol/Frames.h"
#include "protocol/UploadPlan.h"
#include "shared/ModuleLimits.h"

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
    // Every frame the panel builds is named as what it was built for, at the ends of each
    // argument's range.
    void namesWhatWasBuilt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<int>("address");
        const auto row = [](const QString& meaning, const QByteArray& bytes, int address = -1) {
            QTest::newRow(qPrintable(meaning)) << bytes << meaning << address;
        };
        for (const int address : {99, 101, 105, 132})
            row(u"select %1"_s.arg(address), frames::select(quint8(address)), address);
        row(u"deselect"_s, frames::deselect());
        row(u"broadcast on"_s, frames::broadcastOn(), 100);
        row(u"broadcast off"_s, frames::broadcastOff(), 100);
        // A lone deselect lets go of the module selected by its own address, broadcast or not.
        row(u"select 101; broadcast on; deselect"_s, QByteArray::fromHex("EF65EF64EA"), 101);
        row(u"clear"_s, frames::clearDisplay());
        row(u"text 'Hello' / 'world'"_s, frames::text(u"Hello"_s, u"world"_s)->bytes);
        row(u"text 'AB'"_s, frames::text(u"AB"_s, {})->bytes);
        row(u"text '' / 'CD'"_s, frames::text({}, u"CD"_s)->bytes);
        row(u"text 'a full row of 16' / 'next'"_s,
            frames::text(u"a full row of 16"_s, u"next"_s)->bytes);
        row(u"text 'été ?'"_s, frames::text(u"été \u00fe"_s, {})->bytes);
        for (const int entry : {0, limits::Texts - 1}) {
            for (int r = 0; r < limits::Rows; ++r) {
                row(u"predefined text %1 on row %2"_s.arg(entry + 1).arg(r),
                    frames::predefinedText(entry, r));
            }
        }
        for (int r = 0; r < limits::Rows; ++r) {
            for (const int column : {0, limits::Columns - 1}) {
                row(u"cursor to row %1 column %2"_s.arg(r).arg(column),
                    frames::cursorPosition(r, column));
            }
            row(u"clear row %1"_s.arg(r), frames::clearRow(r));
        }
        for (const int column : {0, 7, limits::Columns - 1})
            row(u"clear column %1"_s.arg(column), frames::clearColumn(column));
        row(u"cursor underline"_s, frames::cursorLook(0));
        row(u"cursor blinking"_s, frames::cursorLook(1));
        row(u"cursor hidden"_s, frames::cursorLook(2));
        row(u"backlight on"_s, frames::backlight(0));
        row(u"backlight off"_s, frames::backlight(1));
        row(u"backlight flash"_s, frames::backlight(2));
        for (int index = 0; index < limits::CustomCharacters; ++index)
            row(u"custom character %1"_s.arg(index + 1), frames::customCharacter(index));
        row(u"read inputs"_s, frames::readInputs());
        row(u"all outputs on"_s, frames::allOutputsOn());
        row(u"all outputs off"_s, frames::allOutputsOff());
        for (int output = 0; output < limits::Outputs; ++output) {
            for (const bool on : {true, false}) {
                row(u"output %1 %2"_s.arg(output + 1).arg(on ? u"on"_s : u"off"_s),
                    frames::setOutput(output, on));
            }
        }
        row(u"show serial number"_s, frames::showSerialNumber());
        row(u"broadcast on; clear"_s, frames::enterConfiguration(), 100);
        row(u"speed 9600"_s, frames::baudRate(true));
        row(u"speed 4800"_s, frames::baudRate(false));
        for (const int address : {101, 132})
            row(u"address %1"_s.arg(address), frames::newAddress(address));
        row(u"start-up screen, 32 characters follow"_s, frames::startupScreenHeader());
        row(u"bitmaps, 64 bytes follow"_s, frames::bitmapsHeader());
        row(u"command 08 (changes nothing)"_s, frames::noEffect());
        for (const int index : {0, limits::Texts - 1}) {
            row(u"predefined text %1, 16 characters follow"_s.arg(index + 1),
                frames::storeTextHeader(index));
        }
        row(u"broadcast on; store configuration"_s, frames::saveToNonVolatileMemory(), 100);
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

    // The upload's blocks, each after the command that announces it, are named by what they
    // carry, whatever bytes the bitmaps hold (frame starts and control codes among them), and
    // every byte of the upload is in exactly one frame.
    void namesTheUploadsBlocks_data()
    {
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("firstBitmap");
        QTest::newRow("empty boxes, bitmaps 0 to 63") << QString() << QString() << QString() << 0;
        QTest::newRow("short boxes, bitmaps 192 to 255")
            << u"Velnor"_s << u"bench 3"_s << u"Third"_s << 192;
        QTest::newRow("full boxes")
            << u"0123456789abcdef"_s << u"ABCDEFGHIJKLMNOP"_s << u"sixteen chars!!!"_s << 100;
    }

    void namesTheUploadsBlocks()
    {
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QString, text);
        QFETCH(int, firstBitmap);
        ModuleSetup setup;
        setup.uid = u"101"_s;
        setup.line1 = line1;
        setup.line2 = line2;
        setup.texts.fill(text);
        for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
            setup.bitmaps[size_t(i)] = QString::number(firstBitmap + i);
        const auto plan = planUpload(setup);
        QVERIFY(std::holds_alternative<QList<UploadStep>>(plan));

        FrameDecoder decoder;
        decodeSent(decoder, frames::enterConfiguration());
        QByteArray planned;
        QList<DecodedFrame> decoded;
        for (const UploadStep& step : std::get<QList<UploadStep>>(plan)) {
            planned += step.bytes;
            decoded += decodeSent(decoder, step.bytes);
        }
        QCOMPARE(joined(decoded), planned);
        QStringList blocks;
        for (const DecodedFrame& frame : std::as_const(decoded)) {
            QCOMPARE(frame.address, 100);
            if (frame.kind == DecodedFrame::Kind::Block)
                blocks.append(frame.meaning);
        }
        QStringList expected{u"start-up line 1 '%1' / line 2 '%2'"_s.arg(line1, line2),
                             u"bitmaps of custom characters 1 to 8"_s};
        for (int k = 1; k <= limits::Texts; ++k)
            expected.append(u"predefined text %1 '%2'"_s.arg(k).arg(text));
        QCOMPARE(blocks, expected);
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
