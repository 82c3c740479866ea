#include "CommandRig.h"
#include "shared/Formats.h"

#include <QTest>

#include <functional>

using namespace velnor;
using velnor::test::CommandRig;
using velnor::test::waitsOver;

namespace {

// A click on one of the sending commands, given the lists' texts as the user left them.
using Click = std::function<QByteArray(CommandRig&)>;

QString l(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

Q_DECLARE_METATYPE(Click)

class tst_DeviceCommands final : public QObject
{
    Q_OBJECT

private slots:
    // A frame from each command: what it sends and gives back, and the monitor's line; every
    // frame's bytes are the protocol's table.
    void frames_data()
    {
        QTest::addColumn<Click>("click");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("monitor"); // null: the frame in hex
        const auto row = [](const char* name, Click click, const char* hex,
                            const char* monitor = nullptr) {
            QTest::newRow(name) << click << QByteArray::fromHex(hex)
                                << (monitor ? QString::fromUtf8(monitor) : QString());
        };
        using R = CommandRig&;
        row(
            "text", [](R r) { return r.text.sendText(l("AB"), l("CD")); }, "0D41420C4344",
            "AB [0x12] CD");
        row(
            "output 1 on", [](R r) { return r.inputOutput.setOutput(l("1"), l("ON")); },
            "FE330048");
    }

    void frames()
    {
        QFETCH(Click, click);
        QFETCH(QByteArray, frame);
        QFETCH(QString, monitor);

        CommandRig rig;
        QVERIFY(rig.selectModule());
        QCOMPARE(click(rig), frame);
        QCOMPARE(rig.port.written(), frame);
        QCOMPARE(rig.panel.monitor().txText(),
                 monitor.isNull() ? velnor::formats::hex(frame) + u' ' : monitor);
        QCOMPARE(rig.panel.monitor().rxText(), QString());
        // The text goes out in one write, every other frame a byte at a time.
        QCOMPARE(rig.port.writes.size(), monitor.isNull() ? frame.size() : 1);
        QVERIFY(rig.messages.texts.isEmpty());
        QVERIFY(rig.panel.gate().isOpen()); // nothing here waits
    }

    void textOnARefusedPortLeavesTheMonitorEmpty()
    {
        CommandRig rig;
        rig.port.refuseOpen = true;
        rig.text.sendText(QStringLiteral("AB"), {});
        QCOMPARE(rig.messages.texts, QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QCOMPARE(rig.panel.monitor().txText(), QString());
    }

    // Text typed into a list that names none of its entries sends nothing and says which
    // entries it takes. Two empty lines of text send nothing and say nothing.
    void textMatchingNoEntry_data()
    {
        QTest::addColumn<Click>("click");
        QTest::addColumn<QString>("message");
        using R = CommandRig&;
        const QString rows = l("Please Select a Row from 0 to 1");
        const QString columns = l("Please Select a Column from 0 to 15");
        QTest::newRow("row 2") << Click([](R r) { return r.display.clearRow(l("2")); }) << rows;
        QTest::newRow("column not a number")
            << Click([](R r) { return r.display.setCursor(l("0"), l("x")); }) << columns;
        QTest::newRow("column with a blank")
            << Click([](R r) { return r.display.clearColumn(l(" 3")); }) << columns;
        QTest::newRow("predefined text 11")
            << Click([](R r) { return r.text.showStoredText(l("11"), l("0")); })
            << l("Please Select a Predefined Text from 1 to 10");
        QTest::newRow("predefined text row -1")
            << Click([](R r) { return r.text.showStoredText(l("1"), l("-1")); }) << rows;
        QTest::newRow("output 9") << Click([](R r) {
            return r.inputOutput.setOutput(l("9"), l("ON"));
        }) << l("Please Select an Output from 1 to 8");
        const QString states = l("Please Select an Output State, ON or OFF");
        QTest::newRow("state in other case")
            << Click([](R r) { return r.inputOutput.setOutput(l("1"), l("on")); }) << states;
        QTest::newRow("state emptied")
            << Click([](R r) { return r.inputOutput.setOutput(l("1"), {}); }) << states;
        QTest::newRow("address typed") << Click([](R r) {
            r.selection.select(l("1o7"));
            return QByteArray();
        }) << l("Please Select a Device Address from 101 to 132");
        QTest::newRow("both lines empty")
            << Click([](R r) { return r.text.sendText({}, {}); }) << QString();
    }

    void textMatchingNoEntry()
    {
        QFETCH(Click, click);
        QFETCH(QString, message);
        CommandRig rig;
        QCOMPARE(click(rig), QByteArray());
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.messages.texts, message.isEmpty() ? QStringList() : QStringList{message});
    }

    // Each read's answer in turn (empty: none); the states last shown and the status after.
    void inputs_data()
    {
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<QString>("shown"); // 1 for a set input; empty: no read answered
        QTest::addColumn<QString>("status");
        const auto row = [](const char* name, QByteArrayList hex, const char* shown,
                            const char* status) {
            for (QByteArray& answer : hex)
                answer = QByteArray::fromHex(answer);
            QTest::newRow(name) << hex << QString::fromLatin1(shown)
                                << QString::fromLatin1(status);
        };
        row("bits 4-7 ignored", {"EE69F0FF"}, "00001111", "");
        row("every other input", {"EE690A05"}, "01011010", "");
        row("another address", {"EE690A05", "EE6A0F0F"}, "01011010", "No Response");
        row("no answer", {""}, "", "No Response");
        row("an answer after No Response", {"", "EE690300"}, "11000000", "No Response");
    }

    void inputs()
    {
        QFETCH(QByteArrayList, answers);
        QFETCH(QString, shown);
        QFETCH(QString, status);

        CommandRig rig;
        QVERIFY(rig.selectModule());
        rig.status.clear();
        for (const QByteArray& answer : answers) {
            if (answer.isEmpty())
                rig.port.peer = nullptr;
            else
                rig.port.answer("\x0e", answer);
            QVERIFY(rig.inputOutput.readInputs(rig.selection.state().address));
            QVERIFY(waitsOver(rig.panel));
        }
        QString states;
        for (const bool set : rig.inputs.value_or(InputStates{}))
            states += set ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(states, shown.isEmpty() ? QStringLiteral("00000000") : shown);
        QCOMPARE(rig.inputs.has_value(), !shown.isEmpty());
        QCOMPARE(rig.status, status);
        QCOMPARE(rig.ticks.ticksEmitted, 10 * (1 + answers.size()));
    }

    // Options send only while broadcast mode is on or a module is selected.
    void optionsSendOnlyToAnAddressedModule()
    {
        CommandRig rig;
        QCOMPARE(rig.display.setBacklight(2), QByteArray());
        QCOMPARE(rig.display.setCursorStyle(1), QByteArray());
        rig.selection.setBroadcast(true);
        rig.port.writes.clear();
        QCOMPARE(rig.display.setBacklight(1), QByteArray("\xfe\x07"));
        rig.selection.setBroadcast(false);
        QCOMPARE(rig.display.setCursorStyle(2), QByteArray());
        QVERIFY(rig.selectModule());
        QCOMPARE(rig.display.setCursorStyle(2), QByteArray("\xfe\x03"));
    }
};

QTEST_GUILESS_MAIN(tst_DeviceCommands)
#include "tst_devicecommands.moc"
