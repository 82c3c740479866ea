#include "E2eBench.h"
#include "app/DisplaysWindow.h"
#include "config/ConfigWindow.h"

#include <QAction>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::Bench;

namespace {

// Where the Displays window's model claims to know something the emulated module holds
// otherwise, in words; empty when they agree.
QString disagreement(const LineMirror& mirror, const Module& module)
{
    const Screen known = mirror.screen(module.address());
    const Screen actual = Screen::of(module);
    const QString where = u"module %1: "_s.arg(module.address());
    for (int row = 0; row < Screen::Rows; ++row) {
        for (int column = 0; column < Screen::Columns; ++column) {
            if (known.isKnown(row, column) && known.cell(row, column) != actual.cell(row, column))
                return where + u"cell %1,%2"_s.arg(row).arg(column);
        }
    }
    for (int c = 0; c < 8; ++c) {
        if (known.knownCharacters.test(size_t(c)) &&
            known.bitmaps.mid(c * 8, 8) != actual.bitmaps.mid(c * 8, 8))
            return where + u"custom character %1"_s.arg(c + 1);
    }
    if (known.cursorPlaceKnown &&
        (known.cursorRow != actual.cursorRow || known.cursorColumn != actual.cursorColumn))
        return where + u"cursor place"_s;
    if (known.cursorLook && known.cursorLook != actual.cursorLook)
        return where + u"cursor look"_s;
    if (known.backlight && known.backlight != actual.backlight)
        return where + u"backlight"_s;
    if ((mirror.outputs(module.address()) ^ module.outputs()) &
        mirror.knownOutputs(module.address()))
        return where + u"outputs"_s;
    return {};
}

QString randomText(QRandomGenerator& random)
{
    QString text;
    const int length = random.bounded(18);
    for (int i = 0; i < length; ++i)
        text += QChar(char16_t(u'!' + random.bounded(94)));
    return text;
}

// A user's next move on the main window, or an upload from the configuration window.
QString randomStep(QRandomGenerator& random)
{
    const auto pick = [&random](int n) { return random.bounded(n); };
    switch (pick(15)) {
    case 0:
    case 1:
        return u"addressList=%1 selectButton"_s.arg(101 + pick(6));
    case 2:
        return u"deselectButton"_s;
    case 3:
        return u"broadcastBox"_s;
    case 4:
        return u"line1Box=%1 line2Box=%2 sendTextButton"_s.arg(randomText(random),
                                                               randomText(random));
    case 5:
        return u"clearDisplayButton"_s;
    case 6:
        return u"rowList=%1 columnList~%2 setCursorButton"_s.arg(pick(2)).arg(pick(16));
    case 7:
        return pick(2) ? u"rowList=%1 clearRowButton"_s.arg(pick(2))
                       : u"columnList~%1 clearColumnButton"_s.arg(pick(16));
    case 8:
        return u"cursorStyles:%1"_s.arg(pick(3));
    case 9:
        return u"backlights:%1"_s.arg(pick(3));
    case 10:
        return u"customCharButton_%1"_s.arg(pick(8));
    case 11:
        return u"storedTextList~%1 storedTextRowList=%2 showStoredTextButton"_s.arg(1 + pick(10))
            .arg(pick(2));
    case 12:
        return pick(3) ? u"outputList=%1 outputStateList=%2 setOutputButton"_s.arg(1 + pick(8))
                             .arg(pick(2) ? u"ON"_s : u"OFF"_s)
                       : (pick(2) ? u"allOnButton"_s : u"allOffButton"_s);
    case 13:
        return u"serialNumberButton"_s;
    default:
        return u"upload"_s;
    }
}

void upload(const Bench& bench, QRandomGenerator& random)
{
    bench.window->findChild<QAction*>(QStringLiteral("configAction"))->trigger();
    QPointer<ConfigWindow> config = bench.window->configWindow();
    QVERIFY(config);
    QString steps = u"uidList~%1"_s.arg(101 + random.bounded(6));
    for (int k = 0; k < 10; ++k)
        steps += u" storedText_%1=T%2-%3"_s.arg(k).arg(k + 1).arg(random.bounded(1000));
    for (int i = 0; i < 64; ++i)
        steps += u" bitmapByte_%1=%2"_s.arg(i).arg(random.bounded(32));
    test::doSteps(*config, *bench.panel, steps);
    test::doStep(*config, u"uploadButton"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!config || !config->isUploading(), 20000);
    if (config)
        config->close();
}

} // namespace

// Long random runs of the main window's commands and configuration uploads against the
// emulator, with modules present and absent and broadcast on and off: after every step the
// Displays window's model agrees with every module wherever it claims to know.
class tst_E2eMirror final : public QObject
{
    Q_OBJECT

private slots:
    void mirrorAgreesWithTheModules_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {7u, 1234u, 99991u})
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void mirrorAgreesWithTheModules()
    {
        QFETCH(quint32, seed);
        Bench bench({101, 103, 104});
        QVERIFY(bench.started);
        // Modules set up before the panel started, with other texts, characters, screen, cursor,
        // backlight and outputs than a fresh module has: nothing the mirror can know.
        for (const char address : {'\x65', '\x67', '\x68'}) {
            QByteArray earlier = "\xEF"_ba + address + "\x0DSet up earlier\xFE\x02\xFE\x07"_ba;
            for (int k = 0; k < 10; ++k)
                earlier += "\xFE"_ba + char(0x65 + k) +
                           QByteArray("Earlier ").leftJustified(16, char('a' + k));
            earlier +=
                "\xFE\x64"_ba + QByteArray(64, char(address & 0x1F)) + "\xFE\x33\x02\x48\xEA"_ba;
            bench.host.line().feed(earlier, 0);
        }
        bench.window->findChild<QAction*>(QStringLiteral("displaysAction"))->trigger();
        auto* displays = bench.window->findChild<DisplaysWindow*>();
        QVERIFY(displays);
        const LineMirror& mirror = displays->feed().mirror();
        QRandomGenerator random(seed);
        qsizetype written = 0;
        const auto count = [&written](const QByteArray& bytes) { written += bytes.size(); };
        connect(&bench.panel->link(), &FrameLink::frameSent, this, count);
        connect(&bench.panel->configLink(), &ConfigLink::frameSent, this, count);
        int knownCells = 0;
        for (int step = 0; step < 60; ++step) {
            const QString next = randomStep(random);
            if (next == u"upload"_s)
                upload(bench, random);
            else
                test::doSteps(*bench.window, *bench.panel, next);
            // Every byte the windows wrote has reached the modules.
            QTRY_COMPARE_WITH_TIMEOUT(bench.heard.size(), written, 10000);
            // An upload reaches every module, so its characters are known from then on.
            if (next == u"upload"_s)
                QVERIFY(mirror.screen(104).knownCharacters.all());
            for (int i = 0; i < bench.host.line().moduleCount(); ++i) {
                const QString wrong = disagreement(mirror, bench.module(i));
                QVERIFY2(wrong.isEmpty(),
                         qPrintable(u"step %1 (%2): %3"_s.arg(step).arg(next, wrong)));
                knownCells += int(mirror.screen(bench.module(i).address()).knownCells.count());
            }
        }
        // A mirror that knows nothing agrees with everything: this one came to know cells.
        qInfo("known cells summed over steps: %d", knownCells);
        QVERIFY(knownCells > 0);
    }
};

QTEST_MAIN(tst_E2eMirror)
#include "tst_e2e_mirror.moc"
