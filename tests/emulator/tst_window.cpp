#include "LineScript.h"

#include "emulator/CharacterRom.h"
#include "emulator/Line.h"
#include "emulator/window/EmulatorWindow.h"
#include "emulator/window/LcdView.h"
#include "emulator/window/ModulePanel.h"
#include "emulator/window/OutputLamps.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QImage>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace velnor {

// The emulator window shows what the line's modules hold, dot by dot, and its switches
// reach the modules' inputs.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void displayShowsEveryDot_data();
    void displayShowsEveryDot();
    void flashingBacklightGoesOnAndOff();
    void switchesSetTheInputs();
    void lampsFollowTheOutputs();
    void conflictIsShown();
    void screenshot();
};

namespace {

// Fails unless every dot of every cell has the colour its character (and the cursor) gives.
void compareDots(LcdView& view, const Module& module, bool lit, bool blinkOn)
{
    const QImage image = view.grab().toImage();
    for (int row = 0; row < Module::Rows; ++row) {
        for (int column = 0; column < Module::Columns; ++column) {
            CharacterRom::Glyph glyph =
                CharacterRom::glyph(module.cell(row, column), module.working().bitmaps);
            const bool cursor = row == module.cursorRow() && column == module.cursorColumn();
            if (cursor && module.cursorLook() == Module::CursorLook::Underline)
                glyph.back() = 0x1F;
            if (cursor && module.cursorLook() == Module::CursorLook::Blinking && blinkOn)
                glyph.fill(0x1F);
            for (int dy = 0; dy < CharacterRom::DotRows; ++dy) {
                for (int dx = 0; dx < CharacterRom::DotColumns; ++dx) {
                    const bool on = CharacterRom::isDotOn(glyph, dy, dx);
                    const QColor expected =
                        on ? LcdView::dotOnColour(lit) : LcdView::dotOffColour(lit);
                    const QColor actual = image.pixelColor(view.dotCentre(row, column, dy, dx));
                    if (actual != expected) {
                        QFAIL(qPrintable(u"cell %1,%2 dot %3,%4 is %5, not %6"_s.arg(row)
                                             .arg(column)
                                             .arg(dy)
                                             .arg(dx)
                                             .arg(actual.name(), expected.name())));
                    }
                }
            }
        }
    }
}

const QString Bitmaps = u"FE 64 0E 11 11 0E 04 1F 04 0A  04 0E 1F 04 04 04 04 00 "
                        "00 0A 1F 1F 0E 04 00 00  1F 11 11 11 11 11 1F 00 "
                        "E1 E2 E4 E8 F0 E8 E4 E2  01 03 07 0F 1F 0F 07 03 "
                        "15 0A 15 0A 15 0A 15 0A  1F 1F 1F 1F 1F 1F 1F 1F"_s;

} // namespace

void TestWindow::displayShowsEveryDot_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("lit");
    QTest::addColumn<bool>("blinkOn");

    const QString text = u"EF 65 "_s + Bitmaps +
                         u" 0D \"Hello, world!\" 0C \"{|}~ `@[\\\\]^_\" 00 01 02 03 04 05 06 07"_s;
    QTest::newRow("start-up screen") << u""_s << true << true;
    QTest::newRow("text, custom characters, underline") << text << true << true;
    QTest::newRow("cursor moved") << text + u" FE 32 00 05"_s << true << true;
    QTest::newRow("cursor hidden") << text + u" FE 03"_s << true << true;
    QTest::newRow("blinking cursor, block shown") << text + u" FE 02"_s << true << true;
    QTest::newRow("blinking cursor, block off") << text + u" FE 02"_s << true << false;
    QTest::newRow("backlight off") << text + u" FE 07"_s << false << true;
    QTest::newRow("serial number, high codes")
        << u"EF 65 FE 09 FE 32 01 0A 80 EE FF"_s << true << true;
}

void TestWindow::displayShowsEveryDot()
{
    QFETCH(QString, script);
    QFETCH(bool, lit);
    QFETCH(bool, blinkOn);

    Line line({101});
    QString error;
    runScript(line, script, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LcdView view(line, 0);
    view.refresh();
    view.setBlinkPhase(blinkOn);
    compareDots(view, line.module(0), lit, blinkOn);
}

void TestWindow::flashingBacklightGoesOnAndOff()
{
    Line line({101});
    LcdView view(line, 0);
    const QPoint glass(view.width() / 2, 12);
    runScript(line, u"EF 65 FE 0B"_s);
    view.refresh();
    QTRY_VERIFY(!view.blinkPhase());
    QCOMPARE(view.grab().toImage().pixelColor(view.dotCentre(1, 15, 7, 4)),
             LcdView::dotOffColour(false));
    QTRY_VERIFY(view.blinkPhase());
    QCOMPARE(view.grab().toImage().pixelColor(view.dotCentre(1, 15, 7, 4)),
             LcdView::dotOffColour(true));

    // Steady again once the backlight is switched on.
    runScript(line, u"FE 06"_s);
    view.refresh();
    QVERIFY(view.blinkPhase());
    const QImage steady = view.grab().toImage();
    QTRY_COMPARE_WITH_TIMEOUT(view.grab().toImage(), steady, 1000);
}

void TestWindow::switchesSetTheInputs()
{
    Line line({101, 102});
    EmulatorWindow window(line);
    ModulePanel* panel = window.panels().at(1);
    QTest::mouseClick(panel->inputs()->button(2), Qt::LeftButton);
    QTest::mouseClick(panel->inputs()->button(7), Qt::LeftButton);
    QCOMPARE(line.module(1).inputs(), quint8(0x7B));
    QCOMPARE(line.module(0).inputs(), quint8(0xFF));
    QCOMPARE(hexText(runScript(line, u"EF 66 FE 0E"_s)), u"EE 66 EE 66 0B 07"_s);

    QTest::mouseClick(panel->inputs()->button(2), Qt::LeftButton);
    QCOMPARE(line.module(1).inputs(), quint8(0x7F));
    // Inputs set elsewhere show on the switches.
    line.setInputs(0, 0xFE);
    QVERIFY(window.panels().at(0)->inputs()->button(0)->isChecked());
    QVERIFY(!window.panels().at(0)->inputs()->button(1)->isChecked());
}

void TestWindow::lampsFollowTheOutputs()
{
    Line line({101});
    EmulatorWindow window(line);
    OutputLamps* lamps = window.panels().first()->outputs();
    runScript(line, u"EF 65 FE 33 02 48 FE 33 07 48"_s);
    QCOMPARE(lamps->outputs(), quint8(0x84));
    const QImage image = lamps->grab().toImage();
    for (int i = 0; i < 8; ++i) {
        const bool on = i == 2 || i == 7;
        const QColor centre = image.pixelColor(lamps->lampCentre(i) + QPoint(2, 2));
        QVERIFY2((centre.red() > 200) == on, qPrintable(u"lamp %1"_s.arg(i + 1)));
    }
}

void TestWindow::conflictIsShown()
{
    Line line({101, 102, 101});
    EmulatorWindow window(line);
    QVERIFY(window.panels().at(0)->conflictLabel()->isHidden());
    runScript(line, u"EF 65"_s);
    QVERIFY(!window.panels().at(0)->conflictLabel()->isHidden());
    QVERIFY(window.panels().at(1)->conflictLabel()->isHidden());
    QVERIFY(!window.panels().at(2)->conflictLabel()->isHidden());
    line.powerUp();
    QVERIFY(window.panels().at(0)->conflictLabel()->isHidden());
}

void TestWindow::screenshot()
{
    // A picture of the window with both modules in use; written where VELNOR_SCREENSHOT
    // says, for the documentation.
    Line line({101, 102});
    EmulatorWindow window(line);
    window.setDevice(u"/tmp/velnor-emulator"_s, u"/dev/pts/3"_s);
    window.setPeerOpen(true);
    QByteArray frame = scriptBytes(u"EF 66 0D \"Temperature\" 0C \"  21.5\" 05 \"C  \" 00"_s);
    QByteArray answer = line.feed(frame, 0);
    const QString hello =
        u"EF 65 "_s + Bitmaps +
        u" 0D \"Hello, world!\" 20 01 0C \"Velnor \" 02 \" panel\" 03 FE 33 00 48 FE 33 03 48 "
        "FE 32 01 0F"_s;
    answer += runScript(line, hello);
    line.setInputs(0, 0xF6);
    window.showFrame(scriptBytes(u"FE 32 01 0F"_s));
    window.showAnswer(answer.right(2));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();
    QVERIFY(!image.isNull());
    compareDots(*window.panels().at(0)->display(), line.module(0), true, true);
    const QString path = qEnvironmentVariable("VELNOR_SCREENSHOT");
    if (!path.isEmpty())
        QVERIFY(image.save(path));
}

} // namespace velnor

QTEST_MAIN(velnor::TestWindow)
#include "tst_window.moc"
