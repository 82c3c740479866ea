#include "E2eBench.h"
#include "ModuleState.h"
#include "link/QtSerialPort.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::Bench;
using velnor::test::indicatorColours;
using velnor::test::moduleState;

// The main window's commands and selections against the emulated modules: what each module
// shows and holds once the window has sent a frame over the real port.
class tst_E2eCommands final : public QObject
{
    Q_OBJECT

private slots:
    // Module 101 selected, then the steps (as doSteps() takes them); then the fields named of
    // each module (as moduleState() gives them). Empty for module 102: it heard none of it.
    void commands_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        const auto row = [](const char* name, const QString& steps, const char* first,
                            const char* second = "") {
            QTest::newRow(name) << steps << QString::fromLatin1(first)
                                << QString::fromLatin1(second);
        };
        const QString text = u"line1Box=ABCDE line2Box=abcde sendTextButton "_s;
        row("text", text, "rows=ABCDE|abcde;cursor=1,5;selected=O-");
        row("clear column", text + u"columnList=3 clearColumnButton"_s, "rows=ABC E|abc e");
        row("clear row", text + u"rowList=0 clearRowButton"_s, "rows=|abcde;cursor=0,0");
        row("cursor look", u"cursorStyles:2 cursorStyles:1"_s, "look=blinking");
        row("backlight", u"backlights:1 backlights:2"_s, "light=flashing");
        row("custom characters",
            u"clearDisplayButton customCharButtons:4 customCharButtons:7 customCharButtons:0"_s,
            "rows={04}{07}{00}|;cursor=0,3");
        row("all outputs off", u"allOnButton allOffButton"_s, "outputs=00");
        row("broadcast", u"broadcastBox backlights:1"_s, "light=off;selected=OB",
            "light=off;selected=-B");
        row("serial number in broadcast", u"broadcastBox serialNumberButton"_s,
            "rows=Serial number|20010100", "rows=Serial number|20010200");
        // "EA 64" ends broadcast mode, not the own selection, though its bytes go out apart.
        row("broadcast off", u"broadcastBox broadcastBox"_s, "selected=O-", "selected=--");
    }

    void commands()
    {
        QFETCH(QString, steps);
        QFETCH(QString, first);
        QFETCH(QString, second);
        Bench bench;
        QVERIFY(bench.started);
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        const auto untouched = moduleState(bench.module(1));
        test::doSteps(*bench.window, *bench.panel, steps);
        bench.mark();
        QTRY_VERIFY(bench.marked());
        QCOMPARE(moduleState(bench.module(0), first), first);
        if (second.isEmpty())
            QCOMPARE(moduleState(bench.module(1)), untouched);
        else
            QCOMPARE(moduleState(bench.module(1), second), second);
        QVERIFY(bench.messages.texts.isEmpty());
    }

    void selectAndDeselect()
    {
        Bench bench;
        QVERIFY(bench.started);
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        QCOMPARE(bench.tx(), QStringLiteral("EF 65 "));
        QCOMPARE(bench.rx(), QStringLiteral("EE 65 "));
        QVERIFY(bench.module(0).ownSelected() && !bench.module(1).ownSelected());
        QVERIFY(bench.child("textGroup")->isEnabled());

        bench.click("deselectButton");
        QCOMPARE(bench.status(), QStringLiteral("Disconnected"));
        QCOMPARE(bench.tx(), QStringLiteral("EA "));
        QCOMPARE(bench.rx(), QStringLiteral("EE 65 "));
        QVERIFY(!bench.module(0).ownSelected());
        QVERIFY(!bench.child("textGroup")->isEnabled());
        QVERIFY(bench.messages.texts.isEmpty());
    }

    void inputsShowAsWhiteAndRedUntilTheModuleFallsSilent()
    {
        Bench bench;
        QVERIFY(bench.started);
        bench.click("selectButton");
        bench.host.line().setInputs(0, 0b1010'0101);
        bench.click("readInputsButton");
        QCOMPARE(indicatorColours(*bench.window), QStringLiteral("WRWRRWRW"));
        QCOMPARE(bench.rx(), QStringLiteral("EE 65 05 0A "));
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));

        bench.host.line().setInputs(0, 0xFF);
        bench.host.line().setSilent(true);
        bench.click("readInputsButton");
        QCOMPARE(bench.status(), QStringLiteral("No Response"));
        QCOMPARE(indicatorColours(*bench.window), QStringLiteral("WRWRRWRW"));
        QCOMPARE(bench.rx(), QString());
    }

    void aPortHeldElsewhereIsReportedAndTheWaitStillRuns()
    {
        Bench bench;
        QVERIFY(bench.started);
        QtSerialPort other(portMapOf(bench.settings));
        other.setCommPort(4);
        QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));

        bench.click("selectButton");
        QCOMPARE(bench.messages.texts,
                 QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QVERIFY2(bench.messages.details.first().contains(QLatin1String("busy")),
                 qPrintable(bench.messages.details.first()));
        QCOMPARE(bench.status(), QStringLiteral("Device Not Found"));

        other.setPortOpen(false); // once it is free, the next frame opens it
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        QCOMPARE(bench.messages.texts.size(), 1);
    }
};

QTEST_MAIN(tst_E2eCommands)
#include "tst_e2e_commands.moc"
