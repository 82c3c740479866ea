#include "MainWindowRig.h"
#include "app/DisplaysWindow.h"
#include "lcd/LcdView.h"
#include "widgets/ClassicLook.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::MainWindowRig;

class tst_MainWindow final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useClassicStyle(); }

    void startUp_data()
    {
        QTest::addColumn<bool>("haveFile");
        QTest::addColumn<QByteArray>("ini");
        // Port list text, speed option, PortSettings and address list text.
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const char* port, const char* setting,
                            const char* uid, const char* expected) {
            QByteArray ini("[Settings]\r\n");
            if (port)
                ini += QByteArray("CommPort=") + port + "\r\n";
            if (setting)
                ini += QByteArray("Setting=") + setting + "\r\n";
            if (uid)
                ini += QByteArray("[LCD]\r\nUID=") + uid + "\r\n";
            QTest::newRow(name) << true << ini
                                << QString::fromLatin1(expected).split(QLatin1Char(' '));
        };
        QTest::newRow("no settings file")
            << false << QByteArray()
            << QStringLiteral("1 9600 9600,n,8,1 100").split(QLatin1Char(' '));
        row("port 3, 9600, 105", "3", "9600,n,8,1", "105", "3 9600 9600,n,8,1 105");
        row("4800", "1", "4800,n,8,1", "101", "1 4800 4800,n,8,1 101");
        row("9600 with other framing kept", "2", "9600,e,7,1", "132", "2 9600 9600,e,7,1 132");
        row("last port, first address", "20", "9600,n,8,1", "100", "20 9600 9600,n,8,1 100");
        row("out of range", "21", "9600,n,8,1", "133", "1 9600 9600,n,8,1 100");
        row("port 0, address 99", "0", "9600,n,8,1", "99", "1 9600 9600,n,8,1 100");
        row("not numbers", "COM3", "9600,n,8,1", "abc", "1 9600 9600,n,8,1 100");
        row("keys missing", nullptr, nullptr, nullptr, "1 4800 4800,n,8,1 100");
    }

    void startUp()
    {
        QFETCH(bool, haveFile);
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, expected);

        MainWindowRig rig(haveFile ? &ini : nullptr);
        const bool at9600 = expected[1] == QLatin1String("9600");
        QCOMPARE(rig.child<QComboBox>(QStringLiteral("portList"))->currentText(), expected[0]);
        QCOMPARE(rig.child<QRadioButton>(QStringLiteral("speed9600"))->isChecked(), at9600);
        QCOMPARE(rig.child<QRadioButton>(QStringLiteral("speed4800"))->isChecked(), !at9600);
        QCOMPARE(rig.child<QComboBox>(QStringLiteral("addressList"))->currentText(), expected[3]);
        QCOMPARE(rig.port.settings(), expected[2]);
        QCOMPARE(rig.port.commPort(), expected[0].toInt());
        QVERIFY(!rig.port.portOpen());
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.child<QLabel>(QStringLiteral("statusText"))->text(), QString());
        for (const char* group : {"textGroup", "customCharGroup", "backlightGroup", "inputGroup",
                                  "cursorGroup", "outputGroup"})
            QVERIFY2(!rig.child<QGroupBox>(QLatin1String(group))->isEnabled(), group);
        QVERIFY(!rig.child<QAbstractButton>(QStringLiteral("deselectButton"))->isEnabled());
        // Screen readers name every list by the caption of the label beside it.
        for (auto* list : rig.window->findChildren<QComboBox*>())
            QVERIFY2(!list->accessibleName().isEmpty(), qPrintable(list->objectName()));
    }

    void portAndSpeedChangesCloseOnlyWhenTheyChangeSomething()
    {
        const QByteArray ini("[Settings]\r\nCommPort=3\r\nSetting=9600,n,8,1\r\n");
        MainWindowRig rig(&ini);
        auto* ports = rig.child<QComboBox>(QStringLiteral("portList"));
        rig.port.setPortOpen(true);
        rig.child<QRadioButton>(QStringLiteral("speed9600"))->click(); // the speed in use again
        QCOMPARE(rig.port.closes, 0);

        ports->setCurrentIndex(4);
        QVERIFY(!rig.port.portOpen());
        rig.port.setPortOpen(true);
        QCOMPARE(rig.port.openedPort, 5);

        rig.child<QRadioButton>(QStringLiteral("speed4800"))->click();
        QVERIFY(!rig.port.portOpen());
        rig.port.setPortOpen(true);
        QCOMPARE(rig.port.openedSettings, QStringLiteral("4800,n,8,1"));
        rig.child<QRadioButton>(QStringLiteral("speed9600"))->click();
        QCOMPARE(rig.port.settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(rig.port.closes, 3);

        QCOMPARE(test::contents(rig.settings.path()), ini); // choices last for the run only
    }

    void noCaptionIsClipped()
    {
        MainWindowRig rig(nullptr);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));

        for (auto* button : rig.window->findChildren<QAbstractButton*>()) {
            // Hidden parts, such as the menu bar's overflow button, show no caption.
            if (!button->isVisibleTo(rig.window.get()))
                continue;
            const QFontMetrics metrics(button->font());
            const bool wraps =
                button->metaObject()->className() == QByteArrayLiteral("velnor::WrapButton");
            const int indicator = qobject_cast<QPushButton*>(button) ? 4 : 20;
            const QRect room(0, 0, button->width() - indicator, button->height());
            const QRect needed = metrics.boundingRect(
                room, Qt::AlignCenter | (wraps ? Qt::TextWordWrap : 0), button->text());
            QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                     qPrintable(button->objectName()));
        }
        for (auto* label : rig.window->findChildren<QLabel*>()) {
            // The closed windows of the Line menu are laid out when they open.
            if (!label->isVisibleTo(rig.window.get()))
                continue;
            const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
            QVERIFY2(needed <= label->width(), qPrintable(label->objectName()));
        }
        for (auto* group : rig.window->findChildren<QGroupBox*>()) {
            const int needed = QFontMetrics(group->font()).horizontalAdvance(group->title());
            QVERIFY2(needed + 16 <= group->width(), qPrintable(group->objectName()));
        }
    }

    // The window hands the lists' texts, typed or chosen, to the commands, and shows what they
    // report: the status, the groups a selection opens, the input colours.
    void clicksReachTheCommandsAndTheirOutcomesShow()
    {
        const QByteArray ini("[LCD]\r\nUID=105\r\n");
        MainWindowRig rig(&ini);
        rig.window->show();
        rig.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        rig.child<QWidget>(u"selectButton"_s)->setFocus();
        rig.port.answer("\x69", "\xee\x69");
        rig.click(QStringLiteral("selectButton"));
        QCOMPARE(rig.status(), QStringLiteral("105 Connected"));
        // Not on the broadcast box next to the button, where Space would switch it on.
        QCOMPARE(QApplication::focusWidget(), rig.child<QWidget>(u"line1Box"_s));
        QVERIFY(!rig.child<QWidget>(QStringLiteral("selectButton"))->isEnabled());
        for (const char* group : {"textGroup", "customCharGroup", "backlightGroup", "inputGroup",
                                  "cursorGroup", "outputGroup"})
            QVERIFY2(rig.child<QGroupBox>(QLatin1String(group))->isEnabled(), group);

        rig.port.writes.clear();
        test::doSteps(
            *rig.window, rig.panel,
            QStringLiteral(
                "storedTextList~7 storedTextRowList=1 showStoredTextButton rowList=1 columnList~9 "
                "setCursorButton "
                "outputList=3 outputStateList=OFF setOutputButton line1Box=A clearDisplayButton"));
        QCOMPARE(rig.port.written(), QByteArray::fromHex("FE346B01FE320109FE33024C0D"));
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("line1Box"))->text(), QString());

        rig.port.answer("\x0e", "\xee\x69\x0a\x05");
        rig.click(QStringLiteral("readInputsButton"));
        QCOMPARE(test::indicatorColours(*rig.window), QStringLiteral("RWRWWRWR"));

        rig.child<QCheckBox>(QStringLiteral("broadcastBox"))->click();
        QVERIFY(!rig.child<QWidget>(QStringLiteral("addressGroup"))->isEnabled());
        QCOMPARE(rig.child<QComboBox>(QStringLiteral("addressList"))->currentText(), u"100"_s);
    }

    // A click while a wait runs is dropped, and a control that changed on it is put back.
    void clicksDuringAWaitAreDroppedAndTheirControlsPutBack()
    {
        const QByteArray ini("[Settings]\r\nSetting=9600,n,8,1\r\n[LCD]\r\nUID=105\r\n");
        MainWindowRig rig(&ini);
        auto* box = rig.child<QCheckBox>(QStringLiteral("broadcastBox"));
        auto* ports = rig.child<QComboBox>(QStringLiteral("portList"));
        rig.child<QAbstractButton>(QStringLiteral("selectButton"))->click();
        box->click();
        ports->setCurrentIndex(6);
        rig.child<QRadioButton>(QStringLiteral("speed4800"))->click();
        rig.child<QAction>(QStringLiteral("configAction"))->trigger();
        QVERIFY(test::waitsOver(rig.panel));

        QCOMPARE(rig.port.written(), QByteArray("\xef\x69"));
        QVERIFY(!box->isChecked());
        QCOMPARE(ports->currentIndex(), 0);
        QCOMPARE(rig.port.commPort(), 1);
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("speed9600"))->isChecked());
        QVERIFY(rig.window->configWindow() == nullptr);
        QCOMPARE(rig.status(), QStringLiteral("Device Not Found"));
    }

    // The Displays window opens during a wait and shows, for each module addressed, what it was
    // sent, unknown where nothing was; a display chosen picks its module in the address list.
    void displaysFollowTheFramesSent()
    {
        const QByteArray ini("[LCD]\r\nUID=105\r\n");
        MainWindowRig rig(&ini);
        rig.window->show();
        rig.port.answer("\x69", "\xee\x69");
        rig.child<QAbstractButton>(u"selectButton"_s)->click();
        QVERIFY(!rig.panel.gate().isOpen());
        rig.child<QAction>(u"displaysAction"_s)->trigger();
        auto* displays = rig.child<DisplaysWindow>(u"displaysWindow"_s);
        QVERIFY(displays && displays->isVisible());
        QVERIFY(test::waitsOver(rig.panel));
        displays->refresh();
        LcdView* view = displays->display(105);
        QVERIFY(view);
        QCOMPARE(view->accessibleName(), u"Module 105"_s);
        QVERIFY(view->accessibleDescription().startsWith(u"Row 1: ????????????????. "_s));
        test::doSteps(*rig.window, rig.panel,
                      u"line1Box=Hi line2Box=there sendTextButton backlights:2"_s);
        displays->refresh();
        QCOMPARE(view->accessibleDescription(),
                 u"Row 1: Hi              . Row 2: there           . Backlight flashing. "
                 u"cursor unknown at row 2 column 6."_s);
        rig.child<QComboBox>(u"addressList"_s)->setCurrentIndex(0);
        QTest::mouseClick(view, Qt::LeftButton);
        QCOMPARE(rig.child<QComboBox>(u"addressList"_s)->currentText(), u"105"_s);
        // Another speed is another line: nothing of the old one is shown.
        rig.click(u"speed9600"_s);
        displays->refresh();
        QVERIFY(!displays->display(105));
    }

    // Escape closes each window of the Line menu and the watch's, as it closes a dialog, also
    // with the focus on a control inside that has no use for it.
    void escapeClosesTheLineWindows_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("name");
        QTest::newRow("traffic log") << u"trafficLogAction"_s << u"logWindow"_s;
        QTest::newRow("ports") << u"portsAction"_s << u"portsWindow"_s;
        QTest::newRow("find modules") << u"findModulesAction"_s << u"findModulesWindow"_s;
        QTest::newRow("displays") << u"displaysAction"_s << u"displaysWindow"_s;
        QTest::newRow("input changes") << QString() << u"watchWindow"_s;
    }

    void escapeClosesTheLineWindows()
    {
        QFETCH(QString, action);
        QFETCH(QString, name);
        MainWindowRig rig(nullptr);
        rig.window->show();
        if (!action.isEmpty())
            rig.child<QAction>(action)->trigger();
        auto* window = rig.child<QWidget>(name);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* focused = window->focusWidget() ? window->focusWidget() : window;
        QTest::keyClick(focused, Qt::Key_Escape);
        QVERIFY2(!window->isVisible(), qPrintable(focused->objectName()));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
