#include "emulator/Line.h"
#include "emulator/window/EmulatorWindow.h"
#include "lcd/LcdView.h"
#include "emulator/window/ModulePanel.h"

#include <QLabel>
#include <QScrollArea>
#include <QTest>

using namespace Qt::StringLiterals;

namespace velnor {

// The emulator window draws what a module shows, dot by dot.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void displayShowsTheText();
    void everythingFitsTheWindow();
    void panelsFollowThePluggedModules();
};

void TestWindow::displayShowsTheText()
{
    Line line({101, 102});
    EmulatorWindow window(line);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Custom character 1 is the leftmost column of dots: bits 5 to 7 of its rows are no dots.
    line.feed(QByteArrayLiteral("\xEF\x65\xFE\x64") + QByteArray(8, '\xF0') +
                  QByteArray(56, '\0') +
                  QByteArrayLiteral("\x0D"
                                    "H\x00"),
              0);
    LcdView* view = window.panels().at(0)->display();
    const QImage image = view->grab().toImage();
    const auto dots = [&](int column, int dotRow) {
        QString text;
        for (int dx = 0; dx < 5; ++dx) {
            const QColor colour = image.pixelColor(view->dotCentre(0, column, dotRow, dx));
            text += colour == LcdView::dotOnColour(true) ? u'#' : u'.';
        }
        return text;
    };
    QCOMPARE(dots(0, 0), u"#...#"_s);
    QCOMPARE(dots(0, 3), u"#####"_s);
    QCOMPARE(dots(1, 0), u"#...."_s);
    QCOMPARE(dots(2, 6), u"....."_s);
    QCOMPARE(dots(2, 7), u"#####"_s); // the cursor
    // A module set to another speed than the line's says so.
    QLabel* speed = window.panels().at(0)->speedLabel();
    QVERIFY(!speed->isVisibleTo(&window));
    line.setSpeed(4800);
    QVERIFY(speed->isVisibleTo(&window));
    QCOMPARE(speed->text(), u"Hears garbage: the line runs at 4800 bit/s"_s);
    line.setSpeed(9600);
    // A picture for the documentation when asked for.
    if (const QString path = qEnvironmentVariable("VELNOR_SCREENSHOT"); !path.isEmpty())
        QVERIFY(window.grab().save(path));
}

// A long device name, a notice, a long frame and a module's conflict badge all fit: every text
// is shown whole and no panel is wider than the window shows.
void TestWindow::everythingFitsTheWindow()
{
    Line line({101, 101, 102});
    EmulatorWindow window(line);
    window.setDevice(u"/run/user/1000/velnor-emulator"_s, u"/dev/pts/12"_s);
    window.setPeers(std::nullopt);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QByteArray frame = QByteArrayLiteral("\xEF\x65\xFE\x0E") + QByteArray(20, 'A');
    window.showFrame(frame);
    window.showAnswer(line.feed(frame, 0));
    const auto scroll = window.findChild<QScrollArea*>();
    QVERIFY(scroll);
    QTRY_VERIFY(window.panels().at(0)->conflictLabel()->isVisible());
    QVERIFY(scroll->widget()->minimumSizeHint().width() <= scroll->viewport()->width());
    // Every text whole, once the window has laid out what it was given: the first that is not.
    const auto clipped = [&window, scroll] {
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            const int height = label->wordWrap() ? label->heightForWidth(label->width())
                                                 : label->sizeHint().height();
            if (label->width() < label->minimumSizeHint().width() || label->height() < height ||
                (label->parentWidget() == scroll->parentWidget() &&
                 label->geometry().intersects(scroll->geometry())))
                return label->text();
        }
        return QString();
    };
    QTRY_COMPARE(clipped(), QString());
    const auto notice = window.findChild<QLabel*>(u"noticeLabel"_s);
    QVERIFY(notice && notice->isVisible() && notice->text().contains(u"answered at once"_s));
    if (const QString path = qEnvironmentVariable("VELNOR_SCREENSHOT2"); !path.isEmpty())
        QVERIFY(window.grab().save(path));
}

void TestWindow::panelsFollowThePluggedModules()
{
    Line line({101});
    EmulatorWindow window(line);
    line.plug(105, 4800);
    QCOMPARE(window.panels().size(), 2);
    line.unplug(101);
    QCOMPARE(window.panels().size(), 1);
    // The panel left is the module at 105: it hears garbage on a line at 9600.
    QVERIFY(window.panels().at(0)->speedLabel()->isVisibleTo(&window));
}

} // namespace velnor

QTEST_MAIN(velnor::TestWindow)
#include "tst_window.moc"
