#include "CommandRig.h"

#include <QTest>

using namespace velnor;
using velnor::test::CommandRig;
using velnor::test::waitsOver;

namespace {

// The selection state as four digits: selected, broadcast, sending groups open, inputs open.
QString flags(const Selection& state)
{
    QString text;
    for (const bool flag :
         {state.selected, state.broadcast, state.sendingGroupsOpen, state.inputsOpen})
        text += flag ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

const QString kStart = QStringLiteral("0000");
const QString kSelected = QStringLiteral("1011");

} // namespace

class tst_DeviceSelection final : public QObject
{
    Q_OBJECT

private slots:
    void select_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("status");
        const auto row = [](const char* name, const char* text, const char* reply,
                            const char* frame, const char* status) {
            QTest::newRow(name) << QString::fromLatin1(text) << QByteArray::fromHex(reply)
                                << QByteArray::fromHex(frame) << QString::fromLatin1(status);
        };
        row("entry 105 answers", "105", "EE69", "EF69", "105 Connected");
        row("no answer", "105", "", "EF69", "Device Not Found");
        row("answer from another address", "105", "EE6A", "EF69", "Device Not Found");
        row("broadcast address", "100", "EE64", "EF64", "100 Connected");
    }

    void select()
    {
        QFETCH(QString, listText);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, frame);
        QFETCH(QString, status);

        CommandRig rig;
        if (!reply.isEmpty())
            rig.port.answer(frame.right(1), reply);
        QVERIFY(rig.selection.select(listText));
        QVERIFY(rig.status.isEmpty()); // decided once the wait is over, not before
        QVERIFY(waitsOver(rig.panel));

        QCOMPARE(rig.port.written(), frame);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.status, status);
        QCOMPARE(rig.selection.state().address, quint8(frame.at(1)));
        QCOMPARE(flags(rig.selection.state()), status.endsWith(u"Connected") ? kSelected : kStart);
    }

    void deselect_data()
    {
        QTest::addColumn<bool>("flagCleared"); // as an unanswered input read leaves it
        QTest::addColumn<bool>("answersLate"); // to the read, once its wait is over
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QString>("status");
        QTest::newRow("just selected, silent module") << false << false << false << "Disconnected";
        QTest::newRow("flag cleared, module answers") << true << false << true << "Disconnected";
        QTest::newRow("flag cleared, silent module") << true << false << false << "No Response";
        QTest::newRow("flag cleared, late answer") << true << true << false << "Disconnected";
    }

    void deselect()
    {
        QFETCH(bool, flagCleared);
        QFETCH(bool, answersLate);
        QFETCH(bool, answers);
        QFETCH(QString, status);

        CommandRig rig;
        QVERIFY(rig.selectModule());
        if (flagCleared) {
            QVERIFY(rig.inputOutput.readInputs(rig.selection.state().address));
            QVERIFY(waitsOver(rig.panel));
            if (answersLate)
                rig.port.feed(QByteArray("\xee\x69\x00\x00", 4));
            rig.port.writes.clear();
        }
        if (answers)
            rig.port.answer("\xea", "\xee\x69");
        QVERIFY(rig.selection.deselect());
        QVERIFY(waitsOver(rig.panel));
        QCOMPARE(rig.port.written(), QByteArray("\xea"));
        QCOMPARE(rig.status, status);
        QCOMPARE(flags(rig.selection.state()), status == u"Disconnected" ? kStart : kSelected);
    }

    // Broadcast mode opens the sending groups, never the inputs, and shows the broadcast
    // address; leaving it shows the address last selected and keeps the select buttons.
    void broadcast_data()
    {
        QTest::addColumn<bool>("selectedBefore");
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("after");
        QTest::newRow("from start-up") << false << "0110" << kStart;
        QTest::newRow("after a selection") << true << "1111"
                                           << "1001";
    }

    void broadcast()
    {
        QFETCH(bool, selectedBefore);
        QFETCH(QString, during);
        QFETCH(QString, after);

        CommandRig rig;
        rig.selection.setAddress(112);
        if (selectedBefore)
            QVERIFY(rig.selectModule());
        QCOMPARE(rig.selection.setBroadcast(true), 0);
        QCOMPARE(flags(rig.selection.state()), during);
        QCOMPARE(rig.selection.setBroadcast(false), selectedBefore ? 5 : 12);
        QCOMPARE(flags(rig.selection.state()), after);
        QCOMPARE(rig.port.written(), QByteArray("\xef\x64\xea\x64"));
        QCOMPARE(rig.ticks.ticksEmitted, selectedBefore ? 10 : 0);
        QCOMPARE(rig.status, selectedBefore ? QStringLiteral("105 Connected") : QString());
    }
};

QTEST_GUILESS_MAIN(tst_DeviceSelection)
#include "tst_deviceselection.moc"
