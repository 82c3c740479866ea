#include "MainWindowRig.h"
#include "link/Hex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace velnor;
using velnor::test::doStep;
using velnor::test::indicatorColours;
using velnor::test::MainWindowRig;

namespace {

const QByteArray kIni("[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n[LCD]\r\nUID=105\r\n");
const QByteArray kSelectAnswer = QByteArray::fromHex("EE69");

struct Rig : MainWindowRig
{
    Rig() : MainWindowRig(&kIni) {}

    // Module 105 selected, so every command group is open; the select's frame forgotten.
    void selectModule()
    {
        answer("\x69", kSelectAnswer);
        click(QStringLiteral("cmdSelect"));
        port.peer = nullptr;
        port.writes.clear();
    }

    // The controls set as doStep() does, then the action.
    void run(const QStringList& controls, const QString& action) const
    {
        for (const QString& control : controls)
            doStep(*window, control);
        doStep(*window, action);
    }
};

QStringList controlsOf(const char* controls)
{
    return QString::fromUtf8(controls).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

} // namespace

class tst_DeviceCommands final : public QObject
{
    Q_OBJECT

private slots:
    // A frame from each command, from the controls as the user left them: the wiring, list
    // indexes and typed text; every frame's bytes are the protocol's table.
    void frames_data()
    {
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("monitor"); // null: the frame in hex

        const auto row = [](const char* name, const char* controls, const char* action,
                            const char* hex, const char* monitor = nullptr) {
            QTest::newRow(name) << controlsOf(controls) << QString::fromLatin1(action)
                                << QByteArray::fromHex(hex)
                                << (monitor ? QString::fromUtf8(monitor) : QString());
        };
        row("text", "txtLine1=AB|txtLine2=CD", "cmdSendText", "0D41420C4344", "AB [0x12] CD");
        row("clear", "txtLine1=AB|txtLine2=CD", "cmdClearDisplay", "0D");
        row("predefined text 1 on row 0", "", "cmdPT", "FE346500");
        row("predefined text 10 on row 1", "cboPT=10|cboPTR=1", "cmdPT", "FE346E01");
        row("predefined text typed", "cboPT~7|cboPTR~1", "cmdPT", "FE346B01");
        row("cursor to row 1, column 15", "cboRow=1|cboColumn=15", "cmdSetCursor", "FE32010F");
        row("cursor position typed", "cboRow~1|cboColumn~9", "cmdSetCursor", "FE320109");
        row("clear row 0", "", "cmdClrRow", "FE2D00");
        row("clear column 7", "cboColumn=7", "cmdClrColumn", "FE2E07");
        row("cursor blinking", "", "optCur:1", "FE02");
        row("backlight flashing", "", "optBL:2", "FE0B");
        row("CHAR 8", "", "cmdCC:7", "07");
        row("read inputs", "", "cmdInput", "FE0E");
        row("all outputs on", "", "cmdOnAll", "FE0C");
        row("all outputs off", "", "cmdOffAll", "FE0D");
        row("serial number", "", "cmdSN", "FE09");
        row("output 1 on", "", "cmdSOutput", "FE330048");
        row("output 8 off", "cboOutput=8|cboOF=OFF", "cmdSOutput", "FE33074C");
        row("output typed, ON typed", "cboOutput~3|cboOF=OFF|cboOF~ON", "cmdSOutput", "FE330248");
        row("state typed in other case", "cboOF~on", "cmdSOutput", "FE33004C");
        row("state box emptied", "cboOF~", "cmdSOutput", "FE33004C");
    }

    void frames()
    {
        QFETCH(QStringList, controls);
        QFETCH(QString, action);
        QFETCH(QByteArray, frame);
        QFETCH(QString, monitor);

        Rig rig;
        rig.selectModule();
        rig.run(controls, action);

        QCOMPARE(rig.port.written(), frame);
        QCOMPARE(rig.tx(), monitor.isNull() ? hexItems(frame) : monitor);
        QCOMPARE(rig.rx(), QString());
        // The text goes out in one write, every other frame a byte at a time.
        QCOMPARE(rig.port.writes.size(), monitor.isNull() ? frame.size() : 1);
        QVERIFY(rig.messages.texts.isEmpty());
        QCOMPARE(rig.ticks.ticksEmitted, action == QLatin1String("cmdInput") ? 20 : 10);
    }

    void bothLinesEmptySendNothing()
    {
        Rig rig;
        rig.selectModule();
        rig.click(QStringLiteral("cmdSendText"));
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.tx(), QStringLiteral("EF 69 "));
        QCOMPARE(rig.rx(), QStringLiteral("EE 69 "));
    }

    void clearEmptiesBothLines()
    {
        Rig rig;
        rig.selectModule();
        rig.run({QStringLiteral("txtLine1=AB"), QStringLiteral("txtLine2=CD")},
                QStringLiteral("cmdClearDisplay"));
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("txtLine1"))->text(), QString());
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("txtLine2"))->text(), QString());
    }

    void textOnARefusedPortLeavesTheMonitorEmpty()
    {
        Rig rig;
        rig.selectModule();
        rig.port.setPortOpen(false);
        rig.port.refuseOpen = true;
        rig.run({QStringLiteral("txtLine1=AB")}, QStringLiteral("cmdSendText"));
        QCOMPARE(rig.messages.texts, QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QCOMPARE(rig.tx(), QString());
        QCOMPARE(rig.vars.TxText, QByteArray("\x0d"
                                             "AB"));
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("txtLine1"))->text(), QStringLiteral("AB"));
    }

    // Text typed into a list that names none of its entries sends nothing and says which
    // entries it takes.
    void typedTextMatchingNoEntry_data()
    {
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");

        const auto row = [](const char* name, const char* controls, const char* action,
                            const char* message) {
            QTest::newRow(name) << controlsOf(controls) << QString::fromLatin1(action)
                                << QString::fromLatin1(message);
        };
        const char* rows = "Please Select a Row from 0 to 1";
        const char* columns = "Please Select a Column from 0 to 15";
        row("row 2", "cboRow~2", "cmdClrRow", rows);
        row("column not a number", "cboColumn~x", "cmdSetCursor", columns);
        row("column with a blank", "cboColumn~ 3", "cmdClrColumn", columns);
        row("predefined text 11", "cboPT~11", "cmdPT",
            "Please Select a Predefined Text from 1 to 10");
        row("predefined text row -1", "cboPTR~-1", "cmdPT", rows);
        row("output 9", "cboOutput~9", "cmdSOutput", "Please Select an Output from 1 to 8");
    }

    void typedTextMatchingNoEntry()
    {
        QFETCH(QStringList, controls);
        QFETCH(QString, action);
        QFETCH(QString, message);

        Rig rig;
        rig.selectModule();
        rig.run(controls, action);

        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.messages.texts, QStringList{message});
        QCOMPARE(rig.tx(), QStringLiteral("EF 69 "));
    }

    // Each read's answer in turn (empty: none); the indicators and status after the last.
    void inputs_data()
    {
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<QString>("indicators");
        QTest::addColumn<QString>("status");

        const QString connected = QStringLiteral("105 Connected");
        const QString none = QStringLiteral("No Response");
        const auto answers = [](std::initializer_list<const char*> hex) {
            QByteArrayList list;
            for (const char* answer : hex)
                list.append(QByteArray::fromHex(answer));
            return list;
        };
        QTest::newRow("inputs 1-4 set") << answers({"EE690F00"}) << "WWWWRRRR" << connected;
        QTest::newRow("bits 4-7 ignored") << answers({"EE69F0FF"}) << "RRRRWWWW" << connected;
        QTest::newRow("every other input") << answers({"EE690A05"}) << "RWRWWRWR" << connected;
        QTest::newRow("another address keeps the colours")
            << answers({"EE690A05", "EE6A0F0F"}) << "RWRWWRWR" << none;
        QTest::newRow("no answer keeps the colours")
            << answers({"EE690A05", ""}) << "RWRWWRWR" << none;
        QTest::newRow("an answer after No Response leaves the status")
            << answers({"", "EE690300"}) << "WWRRRRRR" << none;
    }

    void inputs()
    {
        QFETCH(QByteArrayList, answers);
        QFETCH(QString, indicators);
        QFETCH(QString, status);

        Rig rig;
        QCOMPARE(indicatorColours(*rig.window), QStringLiteral("WWWWWWWW"));
        rig.selectModule();
        for (const QByteArray& answer : answers) {
            if (answer.isEmpty())
                rig.port.peer = nullptr;
            else
                rig.answer("\x0e", answer);
            rig.click(QStringLiteral("cmdInput"));
            QCOMPARE(rig.port.rThreshold(), 2);
        }
        QCOMPARE(indicatorColours(*rig.window), indicators);
        QCOMPARE(rig.status(), status);
    }

    // Options send only while broadcast mode is on or a module is selected; otherwise the
    // choice just stays on screen.
    void optionsSendOnlyToAnAddressedModule()
    {
        Rig rig;
        // Open groups as if selected, without selecting (nothing on the line listens).
        for (const char* group : {"Backlight", "CurControl"})
            rig.child<QGroupBox>(QLatin1String(group))->setEnabled(true);
        rig.click(QStringLiteral("optBL"), 2);
        rig.click(QStringLiteral("optCur"), 1);
        QVERIFY(rig.port.writes.isEmpty());
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("optBL_2"))->isChecked());
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("optCur_1"))->isChecked());

        rig.click(QStringLiteral("Check1")); // broadcast mode, no module ever selected
        rig.port.writes.clear();
        rig.click(QStringLiteral("optBL"), 1);
        rig.click(QStringLiteral("optCur"), 2);
        QCOMPARE(rig.port.written(), QByteArray::fromHex("FE07FE03"));

        // Leaving broadcast mode keeps the choices shown.
        rig.click(QStringLiteral("Check1"));
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("optBL_1"))->isChecked());
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("optCur_2"))->isChecked());
    }
};

QTEST_MAIN(tst_DeviceCommands)
#include "tst_devicecommands.moc"
