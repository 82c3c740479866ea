#include "module/LineMirror.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace velnor {

// What the mirror claims to know of a module after the panel wrote some bytes: it follows
// what went out, and leaves unknown what no frame told it.
class TestLineMirror : public QObject
{
    Q_OBJECT

private slots:
    void knowsWhatWasSent_data();
    void knowsWhatWasSent();
    void listsTheModulesAddressed();
    void anUnansweredSelectForgetsTheModule();
};

namespace {

const QByteArray Text2 = "\xFE\x66"_ba + "Second text     "_ba;
const QByteArray Bitmaps = "\xFE\x64"_ba + QByteArray(64, '\x1F');

} // namespace

void TestLineMirror::knowsWhatWasSent_data()
{
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("description");

    const QString unknownRow = QString(16, u'?');
    QTest::newRow("nothing sent") << QList<QByteArray>{} << 101
                                  << u"Row 1: %1. Row 2: %1. Backlight unknown. cursor unknown at "
                                     u"an unknown place."_s.arg(unknownRow);
    QTest::newRow("text after a clear")
        << QList{"\xEF\x65\x0D"_ba + "Hello"_ba, "\xFE\x02\xFE\x0B"_ba} << 101
        << u"Row 1: Hello . Row 2: . Backlight flashing. blinking cursor at row 1 column 6."_s;
    QTest::newRow("text where the cursor is not known")
        << QList{"\xEF\x65"_ba + "Hi"_ba} << 101
        << u"Row 1: %1. Row 2: %1. Backlight unknown. cursor unknown at an unknown place."_s.arg(
               unknownRow);
    QTest::newRow("text after a cursor move")
        << QList{"\xEF\x65\xFE\x32\x01\x03"_ba + "Hi"_ba} << 101
        << u"Row 1: %1. Row 2: ???Hi???????????. Backlight unknown. cursor unknown at row 2 "
           u"column 6."_s.arg(unknownRow);
    QTest::newRow("a predefined text never uploaded")
        << QList{"\xEF\x65\x0D\xFE\x34\x66\x01"_ba} << 101
        << u"Row 1: . Row 2: text 2, not known. Backlight unknown. cursor unknown at row 1 "
           u"column 1."_s;
    QTest::newRow("a stored text written over")
        << QList{"\xEF\x65\x0D\xFE\x34\x66\x01"_ba, "\xFE\x32\x01\x00"_ba + "Hi"_ba} << 101
        << u"Row 1: . Row 2: Hi??????????????. Backlight unknown. cursor unknown at row 2 "
           u"column 3."_s;
    QTest::newRow("a predefined text uploaded")
        << QList{"\xEF\x65\x0D"_ba, Text2, "\xFE\x34\x66\x01"_ba} << 101
        << u"Row 1: . Row 2: Second text . Backlight unknown. cursor unknown at row 1 column 1."_s;
    QTest::newRow("codes the display has no letter for")
        << QList{"\xEF\x65\x0D"_ba + "Caf\xE9\xFF"_ba} << 101
        << u"Row 1: Caf[box][block] . Row 2: . Backlight unknown. cursor unknown at row 1 column 6."_s;
    QTest::newRow("a custom character never uploaded")
        << QList{"\xEF\x65\x0D\x01"_ba} << 101
        << u"Row 1: ? . Row 2: . Backlight unknown. cursor unknown at row 1 column 2."_s;
    QTest::newRow("a custom character uploaded")
        << QList{"\xEF\x65"_ba, Bitmaps, "\x0D\x01"_ba} << 101
        << u"Row 1: [2] . Row 2: . Backlight unknown. cursor unknown at row 1 column 2."_s;
    QTest::newRow("the serial number")
        << QList{"\xEF\x65\xFE\x09\xFE\x07"_ba} << 101
        << u"Row 1: Serial number . Row 2: ???????? . Backlight off. cursor unknown at row 1 "
           u"column 1."_s;
    QTest::newRow("broadcast reaches a module never addressed")
        << QList{"\xEF\x65\xEF\x64\x0D"_ba + "All"_ba} << 120
        << u"Row 1: All . Row 2: . Backlight unknown. cursor unknown at row 1 column 4."_s;
    QTest::newRow("selecting one module ends broadcast")
        << QList{"\xEF\x64\xEF\x65\x0D"_ba} << 120
        << u"Row 1: %1. Row 2: %1. Backlight unknown. cursor unknown at an unknown place."_s.arg(
               unknownRow);
    QTest::newRow("broadcast off keeps the own module")
        << QList{"\xEF\x65\xEF\x64"_ba, "\xEA\x64"_ba, "\xFE\x06"_ba} << 101
        << u"Row 1: %1. Row 2: %1. Backlight on. cursor unknown at an unknown place."_s.arg(
               unknownRow);
    QTest::newRow("a deselected module hears no more")
        << QList{"\xEF\x65\xEA"_ba, "\xFE\x06"_ba} << 101
        << u"Row 1: %1. Row 2: %1. Backlight unknown. cursor unknown at an unknown place."_s.arg(
               unknownRow);
    // Before any select the panel does not know who listens: what it sends spoils nothing it
    // knows only because nothing is known yet, and teaches nothing.
    QTest::newRow("selection not known at the start")
        << QList{"\x0D"_ba + "Hi"_ba} << 101
        << u"Row 1: %1. Row 2: %1. Backlight unknown. cursor unknown at an unknown place."_s.arg(
               unknownRow);
    QTest::newRow("a clear row and column")
        << QList{"\xEF\x65\xFE\x2D\x01\xFE\x2E\x00"_ba} << 101
        << u"Row 1: ???????????????. Row 2: . Backlight unknown. cursor unknown at row 2 column 1."_s;
}

void TestLineMirror::knowsWhatWasSent()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(int, address);
    QFETCH(QString, description);
    LineMirror mirror;
    for (const QByteArray& bytes : writes)
        mirror.sent(bytes);
    QCOMPARE(mirror.screen(quint8(address)).description().simplified(), description);
}

// A select nobody answered lists nobody there, and the module before let go when it heard it:
// what follows reaches no module the mirror knows.
void TestLineMirror::anUnansweredSelectForgetsTheModule()
{
    LineMirror mirror;
    mirror.sent("\xEF\x65\x0D"_ba + "Hi"_ba);
    mirror.sent("\xEF\x66"_ba);
    mirror.unanswered(0x66);
    mirror.sent("\x0D"_ba + "Lost"_ba);
    QCOMPARE(mirror.listed(), QList<quint8>{101});
    QVERIFY(mirror.screen(101).description().simplified().startsWith(u"Row 1: Hi . Row 2: ."_s));
    QVERIFY(mirror.screen(102).description().startsWith(u"Row 1: ????????????????."_s));
}

void TestLineMirror::listsTheModulesAddressed()
{
    LineMirror mirror;
    mirror.sent("\xEF\x67\xEA"_ba);
    mirror.setListing(false);
    mirror.sent("\xEF\x69\xEA"_ba);
    mirror.setListing(true);
    mirror.list(105);
    mirror.sent("\xEF\x65\x0D\xFE\x33\x02\x48"_ba);
    QCOMPARE(mirror.listed(), (QList<quint8>{101, 103, 105}));
    QCOMPARE(mirror.knownOutputs(101), quint8(0x04));
    QCOMPARE(mirror.outputs(101), quint8(0x04));
    QCOMPARE(mirror.takeChanged(), (QList<quint8>{101, 103, 105}));
    // Another port or speed: nothing is known of the new line.
    mirror.newLine();
    QVERIFY(mirror.listed().isEmpty());
    QCOMPARE(mirror.screen(101).rowText(1), QString(16, u'?'));
    QCOMPARE(mirror.knownOutputs(101), quint8(0));
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestLineMirror)
#include "tst_linemirror.moc"
