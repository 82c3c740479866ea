#include "MainWindowRig.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace velnor;
using velnor::test::MainWindowRig;

namespace {

const QByteArray kIni("[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n[LCD]\r\nUID=105\r\n");

// The enabled flags that make up the window's selection state.
struct Flags
{
    bool frame3, select, deselect, fiveGroups, inputs;
    bool operator==(const Flags&) const = default;
};

QString describe(const Flags& f)
{
    return QStringLiteral("Frame3 %1 select %2 deselect %3 groups %4 inputs %5")
        .arg(f.frame3)
        .arg(f.select)
        .arg(f.deselect)
        .arg(f.fiveGroups)
        .arg(f.inputs);
}

struct Rig : MainWindowRig
{
    Rig() : MainWindowRig(&kIni) {}

    QComboBox* addr() const { return child<QComboBox>(QStringLiteral("cboAddr")); }
    QString status() const { return child<QLabel>(QStringLiteral("StatusBar1Panel1"))->text(); }
    void click(const char* name) const { child<QAbstractButton>(QLatin1String(name))->click(); }

    // The module answers every frame that ends with one of these bytes, once it is written.
    void answer(const QByteArray& onLastByte, const QByteArray& reply)
    {
        port.peer = [this, onLastByte, reply](const QByteArray& written) {
            if (written == onLastByte)
                QTimer::singleShot(0, &port, [this, reply] { port.feed(reply); });
        };
    }

    Flags flags() const
    {
        const auto enabled = [this](const char* name) {
            return child<QWidget>(QLatin1String(name))->isEnabled();
        };
        const bool groups = enabled("PrintText");
        // The buttons' own flags: broadcast mode locks them through their group only.
        const auto own = [this](const char* name) {
            return child<QWidget>(QLatin1String(name))
                ->isEnabledTo(child<QWidget>(QStringLiteral("Frame3")));
        };
        return {enabled("Frame3"), own("cmdSelect"), own("cmdDeselect"),
                groups && enabled("CurControl") && enabled("Backlight") && enabled("CustomChar") &&
                    enabled("Output"),
                enabled("InputStatus")};
    }
};

const Flags kStart{true, true, false, false, false};
const Flags kSelected{true, false, true, true, true};

} // namespace

class tst_DeviceSelection final : public QObject
{
    Q_OBJECT

private slots:
    void select_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("selected");

        QTest::newRow("entry 105 answers")
            << QString() << QByteArray("\xee\x69") << QByteArray("\xef\x69")
            << QStringLiteral("105 Connected") << true;
        QTest::newRow("no answer") << QString() << QByteArray() << QByteArray("\xef\x69")
                                   << QStringLiteral("Device Not Found") << false;
        QTest::newRow("answer from another address")
            << QString() << QByteArray("\xee\x6a") << QByteArray("\xef\x69")
            << QStringLiteral("Device Not Found") << false;
        QTest::newRow("typed text equal to an entry")
            << QStringLiteral("107") << QByteArray("\xee\x6b") << QByteArray("\xef\x6b")
            << QStringLiteral("107 Connected") << true;
        QTest::newRow("typed text matching no entry")
            << QStringLiteral("1o7") << QByteArray("\xee\x63") << QByteArray("\xef\x63")
            << QStringLiteral("1o7 Connected") << true;
    }

    void select()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, frame);
        QFETCH(QString, status);
        QFETCH(bool, selected);

        Rig rig;
        if (!typed.isNull())
            rig.addr()->setEditText(typed);
        if (!reply.isEmpty())
            rig.answer(frame.right(1), reply);
        rig.click("cmdSelect");

        QCOMPARE(rig.port.written(), frame);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.status(), status);
        QCOMPARE(int(rig.vars.DeviceAddr), quint8(frame.at(1)));
        QVERIFY2(rig.flags() == (selected ? kSelected : kStart),
                 qPrintable(describe(rig.flags())));
        QCOMPARE(rig.child<QLabel>(QStringLiteral("lblTxData"))->text(),
                 QString::fromLatin1(frame.toHex(' ').toUpper().append(' ')));
    }

    void deselect_data()
    {
        QTest::addColumn<bool>("flagCleared"); // as an unanswered input read leaves it
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("released");
        QTest::newRow("just selected, silent module")
            << false << false << QStringLiteral("Disconnected") << true;
        QTest::newRow("flag cleared, module answers")
            << true << true << QStringLiteral("Disconnected") << true;
        QTest::newRow("flag cleared, silent module")
            << true << false << QStringLiteral("No Response") << false;
    }

    void deselect()
    {
        QFETCH(bool, flagCleared);
        QFETCH(bool, answers);
        QFETCH(QString, status);
        QFETCH(bool, released);

        Rig rig;
        rig.answer("\x69", "\xee\x69");
        rig.click("cmdSelect");
        QCOMPARE(rig.flags(), kSelected);
        if (flagCleared)
            rig.vars.RxFlag = 0;
        if (answers)
            rig.answer("\xea", "\xee\x69");
        else
            rig.port.peer = nullptr;
        rig.port.writes.clear();

        rig.click("cmdDeselect");
        QCOMPARE(rig.port.written(), QByteArray("\xea"));
        QCOMPARE(rig.status(), status);
        QCOMPARE(rig.flags(), released ? kStart : kSelected);
    }

    void broadcastFromStartUp()
    {
        Rig rig;
        rig.addr()->setCurrentIndex(12);
        auto* box = rig.child<QCheckBox>(QStringLiteral("Check1"));
        box->click();
        QCOMPARE(rig.port.written(), QByteArray("\xef\x64"));
        QCOMPARE(rig.addr()->currentText(), QStringLiteral("100"));
        QCOMPARE(int(rig.vars.DeviceAddr), 105);
        QCOMPARE(rig.ticks.ticksEmitted, 0);
        QCOMPARE(rig.status(), QString());
        QCOMPARE(rig.flags(), (Flags{false, true, false, true, false}));

        rig.port.writes.clear();
        box->click();
        QCOMPARE(rig.port.written(), QByteArray("\xea\x64"));
        QCOMPARE(rig.addr()->currentText(), QStringLiteral("105"));
        QCOMPARE(rig.flags(), kStart);
    }

    void broadcastLeftAfterASelectionKeepsTheSelectButtons()
    {
        Rig rig;
        rig.answer("\x69", "\xee\x69");
        rig.click("cmdSelect");
        auto* box = rig.child<QCheckBox>(QStringLiteral("Check1"));
        box->click();
        QCOMPARE(rig.flags(), (Flags{false, false, true, true, true}));
        box->click();
        QCOMPARE(rig.flags(), (Flags{true, false, true, false, true}));
        QCOMPARE(rig.status(), QStringLiteral("105 Connected"));
    }

    void broadcastLeftReturnsToTheAddressLastTried()
    {
        Rig rig;
        rig.addr()->setEditText(QStringLiteral("120"));
        rig.click("cmdSelect"); // not found, but remembered
        rig.addr()->setCurrentIndex(3);
        rig.child<QCheckBox>(QStringLiteral("Check1"))->click();
        rig.child<QCheckBox>(QStringLiteral("Check1"))->click();
        QCOMPARE(rig.addr()->currentText(), QStringLiteral("120"));
    }

    void missingPortShowsOneMessageAndStillWaits()
    {
        Rig rig;
        rig.port.refuseOpen = true;
        rig.click("cmdSelect");
        QCOMPARE(rig.messages.texts, QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.status(), QStringLiteral("Device Not Found"));
    }

    void actionsDuringAWaitAreDropped()
    {
        Rig rig;
        rig.answer("\x69", "\xee\x69");
        auto* box = rig.child<QCheckBox>(QStringLiteral("Check1"));
        auto* ports = rig.child<QComboBox>(QStringLiteral("cboComm"));
        auto* at4800 = rig.child<QRadioButton>(QStringLiteral("opt4800"));
        bool tried = false;
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (rig.ticks.ticksEmitted != 3 || tried)
                return;
            tried = true;
            rig.click("cmdSelect");
            box->click();
            ports->setCurrentIndex(6);
            at4800->click();
            rig.window->mnuConfig_Click();
        });
        rig.click("cmdSelect");

        QVERIFY(tried);
        QCOMPARE(rig.port.written(), QByteArray("\xef\x69"));
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QVERIFY(!box->isChecked());
        QCOMPARE(ports->currentIndex(), 0);
        QCOMPARE(rig.vars.PortNumber, QStringLiteral("1"));
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("opt9600"))->isChecked());
        QCOMPARE(rig.vars.PortSettings, QStringLiteral("9600,n,8,1"));
        QVERIFY(rig.window->configWindow() == nullptr);
        QVERIFY(rig.port.portOpen());
        QCOMPARE(rig.status(), QStringLiteral("105 Connected"));
        QVERIFY(rig.child<QWidget>(QStringLiteral("cmdSelect"))->isEnabled() == false);
    }
};

QTEST_MAIN(tst_DeviceSelection)
#include "tst_deviceselection.moc"
