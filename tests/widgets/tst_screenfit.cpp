#include "widgets/WindowHabits.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace velnor;

// Windows shown on a screen of known size (the off-screen platform's) with the application's
// ScreenFit installed: each one ends up inside the available area, wherever it was put.
class tst_ScreenFit final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qApp->installEventFilter(new ScreenFit(qApp)); }

    void windowsOpenInsideTheScreen_data()
    {
        // Where the window was put, as a share of the room (none: never placed), and its size.
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("flags");
        QTest::newRow("never placed") << false << QPointF() << QSize(300, 200) << int(Qt::Window);
        QTest::newRow("below the bottom")
            << true << QPointF(0.2, 0.98) << QSize(300, 200) << int(Qt::Window);
        QTest::newRow("past the right, tool")
            << true << QPointF(0.95, 0.1) << QSize(300, 200) << int(Qt::Tool);
        QTest::newRow("above and left, dialog")
            << true << QPointF(-0.1, -0.1) << QSize(300, 200) << int(Qt::Dialog);
        QTest::newRow("nearly the screen's size")
            << true << QPointF(0.5, 0.5) << QSize(-40, -60) << int(Qt::Window);
    }

    void windowsOpenInsideTheScreen()
    {
        QFETCH(bool, placed);
        QFETCH(QPointF, at);
        QFETCH(QSize, size);
        QFETCH(int, flags);
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window(nullptr, Qt::WindowFlags(flags));
        // A negative size is that much smaller than the room.
        window.resize(size.width() > 0 ? size : room.size() + size);
        if (placed)
            window.move(room.topLeft() +
                        QPoint(int(at.x() * room.width()), int(at.y() * room.height())));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(room.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())));
        // Shown again after the user dragged it off the screen, it comes back.
        window.hide();
        window.move(room.bottomRight());
        window.show();
        QVERIFY(room.contains(window.frameGeometry()));
    }

    // Larger than the screen, the window keeps its title bar and left edge on it.
    void aWindowLargerThanTheScreenKeepsItsTopLeft()
    {
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window;
        window.resize(room.size() + QSize(100, 100));
        window.move(room.center());
        window.show();
        QCOMPARE(window.frameGeometry().topLeft(), room.topLeft());
    }
};

QTEST_MAIN(tst_ScreenFit)
#include "tst_screenfit.moc"
