#include "widgets/WindowHabits.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace velnor;

// Windows shown on the off-screen platform's screen with the application's ScreenFit installed.
class tst_ScreenFit final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qApp->installEventFilter(new ScreenFit(qApp)); }

    // Where the window was put, as a share of the room (none: never placed), and its size, or
    // (fromRoom) how much larger than the room it is.
    void windowsOpenInsideTheScreen_data()
    {
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fromRoom");
        QTest::addColumn<int>("flags");
        QTest::newRow("never placed")
            << false << QPointF() << QSize(300, 200) << false << int(Qt::Window);
        QTest::newRow("below the bottom")
            << true << QPointF(0.2, 0.98) << QSize(300, 200) << false << int(Qt::Window);
        QTest::newRow("past the right, tool")
            << true << QPointF(0.95, 0.1) << QSize(300, 200) << false << int(Qt::Tool);
        QTest::newRow("above and left, dialog")
            << true << QPointF(-0.1, -0.1) << QSize(300, 200) << false << int(Qt::Dialog);
        QTest::newRow("nearly the screen's size")
            << true << QPointF(0.5, 0.5) << QSize(-40, -60) << true << int(Qt::Window);
        QTest::newRow("larger than the screen")
            << true << QPointF(0.5, 0.5) << QSize(100, 100) << true << int(Qt::Window);
    }

    void windowsOpenInsideTheScreen()
    {
        QFETCH(bool, placed);
        QFETCH(QPointF, at);
        QFETCH(QSize, size);
        QFETCH(bool, fromRoom);
        QFETCH(int, flags);
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window(nullptr, Qt::WindowFlags(flags));
        window.resize(fromRoom ? room.size() + size : size);
        if (placed)
            window.move(room.topLeft() +
                        QPoint(int(at.x() * room.width()), int(at.y() * room.height())));
        for (int shown = 0; shown < 2; ++shown) {
            window.show();
            // Too large to fit, it keeps its title bar and left edge on the screen.
            if (fromRoom && size.width() > 0)
                QCOMPARE(window.frameGeometry().topLeft(), room.topLeft());
            else
                QVERIFY(room.contains(window.frameGeometry()));
            // Shown again after the user dragged it off the screen, it comes back.
            window.hide();
            window.move(room.bottomRight());
        }
    }
};

QTEST_MAIN(tst_ScreenFit)
#include "tst_screenfit.moc"
