#include "protocol/Frames.h"
#include "protocol/SafeText.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace velnor;

class tst_Frames final : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("bytes");
        // Bounds, and frames no other test sends: the others are checked byte for byte where the
        // commands, the command line and the upload send them.
        const auto row = [](const char* name, const QByteArray& frame, const char* hex) {
            QTest::newRow(name) << frame << QByteArray::fromHex(hex);
        };
        row("select 99 (typed text)", frames::select(99), "EF63");
        row("predefined 11", frames::predefinedText(10, 0), "");
        row("predefined row 2", frames::predefinedText(0, 2), "");
        row("cursor 0,16", frames::cursorPosition(0, 16), "");
        row("cursor -1,0", frames::cursorPosition(-1, 0), "");
        row("clear row 2", frames::clearRow(2), "");
        row("clear column 16", frames::clearColumn(16), "");
        row("underline", frames::cursorLook(0), "FE01");
        row("blinking", frames::cursorLook(1), "FE02");
        row("cursor look 3", frames::cursorLook(3), "");
        row("backlight -1", frames::backlight(-1), "");
        row("CHAR 1", frames::customCharacter(0), "00");
        row("CHAR 9", frames::customCharacter(8), "");
        row("all off", frames::allOutputsOff(), "FE0D");
        row("output 9", frames::setOutput(8, true), "");
        row("address 100", frames::newAddress(100), "");
        row("address 133", frames::newAddress(133), "");
        row("text 11", frames::storeTextHeader(10), "");
    }

    void frames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, bytes);
        QCOMPARE(frame.toHex(' ').toUpper(), bytes.toHex(' ').toUpper());
    }

    void textFrame_data()
    {
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("monitor");
        // 0D clears and homes, 0C goes to the second row.
        const auto row = [](const char* name, const QString& line1, const QString& line2,
                            const char* bytes, const QString& monitor) {
            QTest::newRow(name) << line1 << line2 << QByteArray(bytes) << monitor;
        };
        row("two lines", u"AB"_s, u"CD"_s, "\rAB\fCD", u"AB [0x12] CD"_s);
        row("full first line", u"0123456789ABCDEF"_s, u"CD"_s, "\r0123456789ABCDEFCD",
            u"0123456789ABCDEFCD"_s);
        row("empty first line", QString(), u"CD"_s, "\r\fCD", u" [0x12] CD"_s);
        row("empty second line", u"AB"_s, QString(), "\rAB", u"AB"_s);
        row("typed store command, shown as sent", u"\u00fe "_s, u"\u00e9"_s, "\r? \f\xe9",
            u"?  [0x12] \u00e9"_s);
    }

    void textFrame()
    {
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, monitor);
        const std::optional<frames::TextFrame> frame = frames::text(line1, line2);
        QVERIFY(frame);
        QCOMPARE(frame->bytes, bytes);
        QCOMPARE(frame->monitor, monitor);
    }

    void safeTextNeverSendsACommandByte()
    {
        // Every UTF-16 unit, one at a time: one byte out, never one a module acts on, and every
        // other ISO-8859-1 character as its own code.
        const auto acted = [](uint byte) {
            return byte < 0x20 || byte == 0xEA || byte == 0xEE || byte == 0xEF || byte == 0xFE;
        };
        for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
            const QString text{QChar(char16_t(unit))};
            const QByteArray bytes = safeText(text);
            QCOMPARE(bytes.size(), 1);
            const auto byte = quint8(bytes.at(0));
            if (acted(byte))
                QFAIL(qPrintable(QStringLiteral("U+%1 gives command byte %2")
                                     .arg(uint(unit), 4, 16, QLatin1Char('0'))
                                     .arg(byte, 2, 16, QLatin1Char('0'))));
            const bool shownAsItself = unit <= 0xFF && !acted(uint(unit));
            QCOMPARE(byte, shownAsItself ? quint8(unit) : quint8('?'));
        }
        // A character outside the BMP is two units and two question marks: lengths hold.
        QCOMPARE(safeText(QStringLiteral("a\U0001F600b")), QByteArray("a??b"));
    }
};

QTEST_GUILESS_MAIN(tst_Frames)
#include "tst_frames.moc"
