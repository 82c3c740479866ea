#include "E2eBench.h"

#include <QTest>

using namespace velnor;
using velnor::test::Bench;
using velnor::test::indicatorColours;

namespace {

const QByteArray kBlankRow(Module::Columns, ' ');

QByteArray padded(const char* text)
{
    QByteArray row(text);
    row.resize(Module::Columns, ' ');
    return row;
}

// Selects module 101, so every command group opens.
bool selectFirstModule(const Bench& bench)
{
    if (!bench.started)
        return false;
    bench.click("cmdSelect");
    return bench.status() == QLatin1String("101 Connected");
}

} // namespace

class tst_E2eCommands final : public QObject
{
    Q_OBJECT

private slots:
    void textReachesOnlyTheSelectedModuleAndClearEmptiesIt()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        const QByteArray untouched = bench.module(1).row(0);

        bench.type("txtLine1", QStringLiteral("Hello"));
        bench.type("txtLine2", QStringLiteral("World"));
        bench.click("cmdSendText");
        QCOMPARE(bench.tx(), QStringLiteral("Hello [0x12] World"));
        QTRY_COMPARE(bench.module(0).row(1), padded("World"));
        QCOMPARE(bench.module(0).row(0), padded("Hello"));
        QCOMPARE(bench.module(1).row(0), untouched);

        bench.click("cmdClearDisplay");
        QCOMPARE(bench.tx(), QStringLiteral("0D "));
        QTRY_COMPARE(bench.module(0).row(0), kBlankRow);
        QCOMPARE(bench.module(0).row(1), kBlankRow);
        QVERIFY(bench.messages.texts.isEmpty());
    }

    void predefinedTextLandsOnItsRow()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        const QByteArray firstRow = bench.module(0).row(0);
        bench.pick("cboPT", "3");
        bench.pick("cboPTR", "1");
        bench.click("cmdPT");
        QTRY_COMPARE(bench.module(0).row(1), padded("Predefined 3"));
        QCOMPARE(bench.module(0).row(0), firstRow);
    }

    void cursorRowsAndColumns()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        bench.type("txtLine1", QStringLiteral("ABCDEFGHIJKLMNOP"));
        bench.type("txtLine2", QStringLiteral("abcdefghijklmnop"));
        bench.click("cmdSendText");
        QTRY_COMPARE(bench.module(0).row(1), padded("abcdefghijklmnop"));

        bench.pick("cboRow", "1");
        bench.pick("cboColumn", "15");
        bench.click("cmdSetCursor");
        QTRY_COMPARE(bench.module(0).cursorColumn(), 15);
        QCOMPARE(bench.module(0).cursorRow(), 1);

        bench.pick("cboColumn", "3");
        bench.click("cmdClrColumn");
        QTRY_COMPARE(bench.module(0).row(1), padded("abc efghijklmnop"));
        QCOMPARE(bench.module(0).row(0), padded("ABC EFGHIJKLMNOP"));

        bench.pick("cboRow", "0");
        bench.click("cmdClrRow");
        QTRY_COMPARE(bench.module(0).row(0), kBlankRow);
        QCOMPARE(bench.module(0).row(1), padded("abc efghijklmnop"));
    }

    void cursorLooksAndBacklight()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        using Look = Module::CursorLook;
        using Light = Module::Backlight;
        for (const auto& [index, look] : {std::pair{2, Look::Hidden}, std::pair{1, Look::Blinking},
                                          std::pair{0, Look::Underline}}) {
            bench.click("optCur", index);
            QTRY_VERIFY(bench.module(0).cursorLook() == look);
        }
        for (const auto& [index, light] :
             {std::pair{1, Light::Off}, std::pair{2, Light::Flashing}, std::pair{0, Light::On}}) {
            bench.click("optBL", index);
            QTRY_VERIFY(bench.module(0).backlight() == light);
        }
    }

    void customCharactersAtTheCursor()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        bench.click("cmdClearDisplay");
        bench.click("cmdCC", 4);
        bench.click("cmdCC", 7);
        bench.click("cmdCC", 0);
        QTRY_COMPARE(bench.module(0).row(0).left(3), QByteArray("\x04\x07\x00", 3));
    }

    void inputsShowAsWhiteAndRedUntilTheModuleFallsSilent()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        bench.host.line().setInputs(0, 0b1010'0101);
        bench.click("cmdInput");
        QCOMPARE(indicatorColours(*bench.window), QStringLiteral("WRWRRWRW"));
        QCOMPARE(bench.rx(), QStringLiteral("EE 65 05 0A "));
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));

        bench.host.line().setInputs(0, 0xFF);
        bench.host.line().setSilent(true);
        bench.click("cmdInput");
        QCOMPARE(bench.status(), QStringLiteral("No Response"));
        QCOMPARE(indicatorColours(*bench.window), QStringLiteral("WRWRRWRW"));
        QCOMPARE(bench.rx(), QString());
    }

    void outputsSwitchTheLamps()
    {
        Bench bench;
        QVERIFY(selectFirstModule(bench));
        bench.pick("cboOutput", "3");
        bench.click("cmdSOutput");
        QTRY_COMPARE(bench.module(0).outputs(), quint8(0x04));
        bench.click("cmdOnAll");
        QTRY_COMPARE(bench.module(0).outputs(), quint8(0xFF));
        bench.pick("cboOutput", "8");
        bench.pick("cboOF", "OFF");
        bench.click("cmdSOutput");
        QTRY_COMPARE(bench.module(0).outputs(), quint8(0x7F));
        bench.click("cmdOffAll");
        QTRY_COMPARE(bench.module(0).outputs(), quint8(0x00));
        QCOMPARE(bench.module(1).outputs(), quint8(0x00));
    }

    void broadcastModeReachesEveryModule()
    {
        Bench bench;
        QVERIFY(bench.started);
        bench.click("Check1");
        bench.click("optBL", 1);
        QTRY_VERIFY(bench.module(0).backlight() == Module::Backlight::Off &&
                    bench.module(1).backlight() == Module::Backlight::Off);

        bench.click("cmdSN");
        QTRY_VERIFY(bench.module(1).row(0).startsWith("Serial number"));
        QCOMPARE(bench.module(0).row(1), padded(bench.module(0).serialText().constData()));
    }
};

QTEST_MAIN(tst_E2eCommands)
#include "tst_e2e_commands.moc"
