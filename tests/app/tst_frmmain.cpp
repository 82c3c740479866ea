#include "MainWindowRig.h"
#include "app/ClassicLook.h"
#include "config/frmConfigLcd.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

using namespace velnor;
using velnor::test::MainWindowRig;

namespace {
const QStringList kCommandGroups = {QStringLiteral("PrintText"),  QStringLiteral("CustomChar"),
                                    QStringLiteral("Backlight"),  QStringLiteral("InputStatus"),
                                    QStringLiteral("CurControl"), QStringLiteral("Output")};
}

class tst_frmMain final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useClassicStyle(); }

    void startUp_data()
    {
        QTest::addColumn<bool>("haveFile");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("at9600");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("address");

        const auto file = [](const char* commPort, const char* setting, const char* uid) {
            return QByteArray("[Settings]\r\nCommPort=") + commPort + "\r\nSetting=" + setting +
                   "\r\n[LCD]\r\nUID=" + uid + "\r\n";
        };
        QTest::newRow("no settings file") << false << QByteArray() << QStringLiteral("1") << true
                                          << QStringLiteral("9600,n,8,1") << QStringLiteral("100");
        QTest::newRow("port 3, 9600, 105")
            << true << file("3", "9600,n,8,1", "105") << QStringLiteral("3") << true
            << QStringLiteral("9600,n,8,1") << QStringLiteral("105");
        QTest::newRow("4800") << true << file("1", "4800,n,8,1", "101") << QStringLiteral("1")
                              << false << QStringLiteral("4800,n,8,1") << QStringLiteral("101");
        QTest::newRow("empty setting gives 4800")
            << true << file("1", "", "101") << QStringLiteral("1") << false
            << QStringLiteral("4800,n,8,1") << QStringLiteral("101");
        QTest::newRow("other speed gives 4800")
            << true << file("2", "19200,n,8,1", "101") << QStringLiteral("2") << false
            << QStringLiteral("4800,n,8,1") << QStringLiteral("101");
        QTest::newRow("9600 with other framing kept")
            << true << file("2", "9600,e,7,1", "132") << QStringLiteral("2") << true
            << QStringLiteral("9600,e,7,1") << QStringLiteral("132");
        QTest::newRow("last port, first address")
            << true << file("20", "9600,n,8,1", "100") << QStringLiteral("20") << true
            << QStringLiteral("9600,n,8,1") << QStringLiteral("100");
        QTest::newRow("port and address out of range")
            << true << file("21", "9600,n,8,1", "133") << QStringLiteral("1") << true
            << QStringLiteral("9600,n,8,1") << QStringLiteral("100");
        QTest::newRow("port 0, address 99")
            << true << file("0", "9600,n,8,1", "99") << QStringLiteral("1") << true
            << QStringLiteral("9600,n,8,1") << QStringLiteral("100");
        QTest::newRow("not numbers")
            << true << file("COM3", "9600,n,8,1", "abc") << QStringLiteral("1") << true
            << QStringLiteral("9600,n,8,1") << QStringLiteral("100");
        QTest::newRow("keys missing")
            << true << QByteArray("[Other]\r\nx=1\r\n") << QStringLiteral("1") << false
            << QStringLiteral("4800,n,8,1") << QStringLiteral("100");
    }

    void startUp()
    {
        QFETCH(bool, haveFile);
        QFETCH(QByteArray, ini);
        QFETCH(QString, port);
        QFETCH(bool, at9600);
        QFETCH(QString, settings);
        QFETCH(QString, address);

        MainWindowRig rig(haveFile ? &ini : nullptr);
        QCOMPARE(rig.child<QComboBox>(QStringLiteral("cboComm"))->currentText(), port);
        QCOMPARE(rig.child<QRadioButton>(QStringLiteral("opt9600"))->isChecked(), at9600);
        QCOMPARE(rig.child<QRadioButton>(QStringLiteral("opt4800"))->isChecked(), !at9600);
        QCOMPARE(rig.child<QComboBox>(QStringLiteral("cboAddr"))->currentText(), address);
        QCOMPARE(rig.vars.PortSettings, settings);
        QCOMPARE(rig.vars.PortNumber, port);
        QCOMPARE(int(rig.vars.DeviceAddr), address.toInt());

        QCOMPARE(rig.port.settings(), settings);
        QCOMPARE(rig.port.commPort(), port.toInt());
        QCOMPARE(rig.port.rThreshold(), 2);
        QCOMPARE(rig.port.inputMode(), SerialPort::InputModeBinary);
        QVERIFY(!rig.port.portOpen());
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.child<QLabel>(QStringLiteral("StatusBar1Panel1"))->text(), QString());
        for (const QString& group : kCommandGroups)
            QVERIFY2(!rig.child<QGroupBox>(group)->isEnabled(), qPrintable(group));
        QVERIFY(rig.child<QAbstractButton>(QStringLiteral("cmdSelect"))->isEnabled());
        QVERIFY(!rig.child<QAbstractButton>(QStringLiteral("cmdDeselect"))->isEnabled());
        QVERIFY(!rig.child<QCheckBox>(QStringLiteral("Check1"))->isChecked());
    }

    void listsAreFilled_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("cboComm") << "cboComm" << 20 << "1"
                                 << "20";
        QTest::newRow("cboAddr") << "cboAddr" << 33 << "100"
                                 << "132";
        QTest::newRow("cboRow") << "cboRow" << 2 << "0"
                                << "1";
        QTest::newRow("cboColumn") << "cboColumn" << 16 << "0"
                                   << "15";
        QTest::newRow("cboPT") << "cboPT" << 10 << "1"
                               << "10";
        QTest::newRow("cboPTR") << "cboPTR" << 2 << "0"
                                << "1";
        QTest::newRow("cboOutput") << "cboOutput" << 8 << "1"
                                   << "8";
        QTest::newRow("cboOF") << "cboOF" << 2 << "ON"
                               << "OFF";
    }

    void listsAreFilled()
    {
        QFETCH(QString, list);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        MainWindowRig rig(nullptr);
        const auto* box = rig.child<QComboBox>(list);
        QCOMPARE(box->count(), count);
        QCOMPARE(box->itemText(0), first);
        QCOMPARE(box->itemText(count - 1), last);
        QVERIFY(box->isEditable());
        if (list != QLatin1String("cboComm") && list != QLatin1String("cboAddr"))
            QCOMPARE(box->currentIndex(), 0);
    }

    void portChangeClosesOnlyWhenItChangesSomething()
    {
        const QByteArray ini("[Settings]\r\nCommPort=3\r\nSetting=9600,n,8,1\r\n");
        MainWindowRig rig(&ini);
        auto* ports = rig.child<QComboBox>(QStringLiteral("cboComm"));
        rig.window->link().SendFrame(0);
        QVERIFY(rig.port.portOpen());

        ports->setCurrentIndex(2); // port 3 again
        QVERIFY(rig.port.portOpen());
        QCOMPARE(rig.port.closes, 0);

        ports->setCurrentIndex(4);
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.vars.PortNumber, QStringLiteral("5"));
        rig.window->link().SendFrame(0);
        QCOMPARE(rig.port.openedPort, 5);
    }

    void speedChangeClosesOnlyWhenItChangesSomething()
    {
        const QByteArray ini("[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n");
        MainWindowRig rig(&ini);
        rig.window->link().SendFrame(0);

        rig.child<QRadioButton>(QStringLiteral("opt4800"))->click();
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.vars.PortSettings, QStringLiteral("4800,n,8,1"));
        rig.window->link().SendFrame(0);
        QCOMPARE(rig.port.openedSettings, QStringLiteral("4800,n,8,1"));

        rig.window->opt4800_Click(); // already at 4800: nothing happens
        QVERIFY(rig.port.portOpen());

        rig.child<QRadioButton>(QStringLiteral("opt9600"))->click();
        QCOMPARE(rig.vars.PortSettings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(rig.port.closes, 2);

        QFile file(rig.settings.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), ini); // choices last for the run only
    }

    void configureMenuClosesThePortAndReusesTheWindow()
    {
        MainWindowRig rig(nullptr);
        auto* status = rig.child<QLabel>(QStringLiteral("StatusBar1Panel1"));
        rig.window->link().SendFrame(0);
        rig.window->mnuConfig_Click();
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(status->text(), QStringLiteral("Disconnected"));
        QPointer<frmConfigLcd> first = rig.window->configWindow();
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->windowTitle(), QStringLiteral("Configure Velnor"));

        status->setText(QStringLiteral("101 Connected"));
        rig.window->link().SendFrame(0);
        rig.window->mnuConfig_Click();
        QCOMPARE(rig.window->configWindow(), first.data());
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(status->text(), QStringLiteral("Disconnected"));

        first->close(); // a closed window is made afresh next time
        QTRY_VERIFY(first.isNull());
        rig.window->mnuConfig_Click();
        QVERIFY(rig.window->configWindow() != nullptr);
    }

    void groupsSitWhereTheyBelong_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("Frame1") << "Frame1" << QRect(8, 8, 345, 65);
        QTest::newRow("Frame3") << "Frame3" << QRect(368, 8, 297, 65);
        QTest::newRow("PrintText") << "PrintText" << QRect(8, 80, 657, 81);
        QTest::newRow("CustomChar") << "CustomChar" << QRect(8, 168, 177, 177);
        QTest::newRow("Backlight") << "Backlight" << QRect(200, 168, 193, 73);
        QTest::newRow("InputStatus") << "InputStatus" << QRect(408, 168, 265, 73);
        QTest::newRow("CurControl") << "CurControl" << QRect(200, 248, 289, 121);
        QTest::newRow("Output") << "Output" << QRect(504, 248, 169, 153);
        QTest::newRow("Frame2") << "Frame2" << QRect(8, 384, 465, 89);
        QTest::newRow("Check1") << "Check1" << QRect(528, 424, 105, 17);
        QTest::newRow("cmdSN") << "cmdSN" << QRect(504, 456, 105, 17);
    }

    void groupsSitWhereTheyBelong()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        MainWindowRig rig(nullptr);
        QCOMPARE(rig.child<QWidget>(name)->geometry(), rect);
    }

    void noCaptionIsClipped()
    {
        MainWindowRig rig(nullptr);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        QCOMPARE(rig.window->centralWidget()->size(), QSize(690, 481));
        QCOMPARE(rig.window->statusBar()->height(), 17);

        for (auto* button : rig.window->findChildren<QAbstractButton*>()) {
            const QFontMetrics metrics(button->font());
            const bool wraps =
                button->metaObject()->className() == QByteArrayLiteral("velnor::WrapButton");
            const int indicator = qobject_cast<QPushButton*>(button) ? 4 : 20;
            const QRect room(0, 0, button->width() - indicator, button->height());
            const QRect needed = metrics.boundingRect(
                room, Qt::AlignCenter | (wraps ? Qt::TextWordWrap : 0), button->text());
            QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                     qPrintable(button->objectName() + QStringLiteral(" needs ") +
                                QString::number(needed.width()) + QLatin1Char('x') +
                                QString::number(needed.height())));
        }
        for (auto* label : rig.window->findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
            QVERIFY2(needed <= label->width(), qPrintable(label->objectName()));
        }
        for (auto* group : rig.window->findChildren<QGroupBox*>()) {
            const int needed = QFontMetrics(group->font()).horizontalAdvance(group->title());
            QVERIFY2(needed + 16 <= group->width(), qPrintable(group->objectName()));
        }
    }

    void listsAreNamedForScreenReaders()
    {
        MainWindowRig rig(nullptr);
        const QList<std::pair<const char*, const char*>> expected = {
            {"cboComm", "Select Port Number"},
            {"cboAddr", "UID"},
            {"cboPT", "Select Predefine Text"},
            {"cboPTR", "Select Row"},
            {"cboRow", "Row"},
            {"cboColumn", "Column"},
            {"cboOutput", "Select Output"}};
        for (const auto& [list, caption] : expected) {
            auto* box = rig.child<QComboBox>(QLatin1String(list));
            QAccessibleInterface* named = QAccessible::queryAccessibleInterface(box);
            QVERIFY(named);
            // Linux screen readers take a list's name from the label it is labelled by.
            const auto labels = named->relations(QAccessible::Label);
            const bool labelled =
                std::any_of(labels.begin(), labels.end(), [&](const auto& relation) {
                    return relation.first->text(QAccessible::Name) == QLatin1String(caption);
                });
            QVERIFY2(labelled, list);
        }
        QCOMPARE(rig.child<QComboBox>(QStringLiteral("cboOF"))->accessibleName(),
                 QStringLiteral("Output State"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
