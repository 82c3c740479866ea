#include "MainWindowRig.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace velnor;
using velnor::test::MainWindowRig;

namespace {

const QByteArray kIni("[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n[LCD]\r\nUID=105\r\n");

struct Rig : MainWindowRig
{
    Rig() : MainWindowRig(&kIni) {}

    QComboBox* addr() const { return child<QComboBox>(QStringLiteral("cboAddr")); }
    void click(const char* name) const { child<QAbstractButton>(QLatin1String(name))->click(); }

    // The enabled flags that make up the selection state, as 0 or 1 each: Frame3, the select
    // and deselect buttons (their own flags: broadcast mode locks them through Frame3 only),
    // each of the five sending groups, and the input group.
    QString flags() const
    {
        QString text;
        for (const char* name : {"Frame3", "cmdSelect", "cmdDeselect", "PrintText", "CurControl",
                                 "Backlight", "CustomChar", "Output", "InputStatus"}) {
            const QWidget* widget = child<QWidget>(QLatin1String(name));
            text +=
                widget->isEnabledTo(widget->parentWidget()) ? QLatin1Char('1') : QLatin1Char('0');
        }
        return text;
    }
};

const QString kStart = QStringLiteral("110000000");
const QString kSelected = QStringLiteral("101111111");

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

        const auto row = [](const char* name, const char* typed, const char* reply,
                            const char* frame, const char* status, bool selected) {
            QTest::newRow(name) << (typed ? QString::fromLatin1(typed) : QString())
                                << QByteArray::fromHex(reply) << QByteArray::fromHex(frame)
                                << QString::fromLatin1(status) << selected;
        };
        row("entry 105 answers", nullptr, "EE69", "EF69", "105 Connected", true);
        row("no answer", nullptr, "", "EF69", "Device Not Found", false);
        row("answer from another address", nullptr, "EE6A", "EF69", "Device Not Found", false);
        row("typed text equal to an entry", "107", "EE6B", "EF6B", "107 Connected", true);
        row("typed text matching no entry", "1o7", "EE63", "EF63", "1o7 Connected", true);
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
        QCOMPARE(rig.flags(), selected ? kSelected : kStart);
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
        QCOMPARE(rig.flags(), QStringLiteral("010111110"));

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
        QCOMPARE(rig.flags(), QStringLiteral("001111111"));
        box->click();
        QCOMPARE(rig.flags(), QStringLiteral("101000001"));
        QCOMPARE(rig.status(), QStringLiteral("105 Connected"));
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
            // The window stays usable during a wait; what would disturb the exchange is dropped.
            QCOMPARE(rig.flags(), kStart);
            rig.click("cmdSelect");
            box->click();
            ports->setCurrentIndex(6);
            at4800->click();
            rig.child<QAction>(QStringLiteral("mnuConfig"))->trigger();
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

        box->click(); // broadcast on; a wait from another command must not turn it off
        tried = false;
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (!tried)
                box->click();
            tried = true;
        });
        rig.window->link().WaitTicks(3);
        QVERIFY(tried && box->isChecked());
    }
};

QTEST_MAIN(tst_DeviceSelection)
#include "tst_deviceselection.moc"
