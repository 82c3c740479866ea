#include "protocol/BitmapValue.h"
#include "protocol/UploadPlan.h"

#include <QTest>

using namespace velnor;

namespace {

ModuleSetup blankSetup()
{
    ModuleSetup setup;
    setup.uid = QStringLiteral("101");
    setup.at9600 = true;
    setup.bitmaps.fill(QStringLiteral("0"));
    return setup;
}

QList<UploadStep> planOf(const ModuleSetup& setup)
{
    const auto plan = planUpload(setup);
    const auto* steps = std::get_if<QList<UploadStep>>(&plan);
    return steps ? *steps : QList<UploadStep>();
}

QByteArray wire(const QList<UploadStep>& steps)
{
    QByteArray bytes;
    for (const UploadStep& step : steps)
        bytes += step.bytes;
    return bytes;
}

// Where the waits fall: the number of bytes sent before each.
QList<int> waitOffsets(const QList<UploadStep>& steps)
{
    QList<int> offsets;
    int sent = 0;
    for (const UploadStep& step : steps) {
        sent += int(step.bytes.size());
        if (step.waitAfter)
            offsets.append(sent);
    }
    return offsets;
}

} // namespace

class tst_UploadPlan final : public QObject
{
    Q_OBJECT

private slots:
    void bitmapByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byte"); // -1: not accepted
        const auto row = [](const char* text, int byte) {
            QTest::newRow(text) << QString::fromUtf8(text) << byte;
        };
        row("0", 0);
        row("255", 255);
        row("256", -1);
        row("-1", -1);
        row("", -1);
        row("   ", -1);
        row("word", -1);
        row(" 7 ", 7);
        row("\t9", 9);
        row("+5", 5);
        row("2.5", 2);
        row("3.5", 4);
        row("254.5", 254);
        row("255.4", 255);
        row("255.5", -1);
        row("-0.5", 0);
        row("-0.6", -1);
        row(".5", 0);
        row("5.", 5);
        row("1e2", 100);
        row("2.5E1", 25);
        row("1e-400", 0);
        row("1e400", -1);
        row("1,5", -1);
        row("1 0", -1);
        row("0x10", -1);
        row("inf", -1);
        row("1e", -1);
        row("\u0661", -1); // a digit, but not an ASCII one
        row("5\n", -1);    // a line break is not a blank
        // Beyond the range of a double: too large whatever the exponent says, too small is 0.
        const QByteArray zeros(400, '0');
        QTest::newRow("huge, negative exponent") << QString::fromLatin1("1" + zeros + "e-1") << -1;
        QTest::newRow("tiny, no exponent") << QString::fromLatin1("0." + zeros + "1") << 0;
        QTest::newRow("tiny, positive exponent") << QString::fromLatin1("." + zeros + "9e+5") << 0;
        QTest::newRow("huge exponent") << QStringLiteral("0.1e99999999999999999999") << -1;
        QTest::newRow("tiny exponent") << QStringLiteral("9e-99999999999999999999") << 0;
    }

    void bitmapByte()
    {
        QFETCH(QString, text);
        QFETCH(int, byte);
        const std::optional<quint8> value = velnor::bitmapByte(text);
        QCOMPARE(value ? int(*value) : -1, byte);
    }

    void blankSetupGoesOutAsThe314BytesWithTheirWaits()
    {
        const QList<UploadStep> steps = planOf(blankSetup());
        const QByteArray spaces16(16, ' ');
        QByteArray expected = "\x0c"
                              "Configuring.."
                              "\xfe\x1e"
                              "\xfe\x30\x65"
                              "\xfe\xc8";
        expected += spaces16 + spaces16;
        expected += "\xfe\x64" + QByteArray(64, '\0') + "\xfe\x08";
        for (int k = 0; k < 10; ++k)
            expected += QByteArray("\xfe") + char(0x65 + k) + spaces16;
        expected += "\xfe\x2d\x01"
                    "Completed"
                    "\xea";
        QCOMPARE(expected.size(), 314);
        QCOMPARE(wire(steps).toHex(' '), expected.toHex(' '));
        QCOMPARE(waitOffsets(steps),
                 QList<int>({16, 19, 53, 119, 139, 157, 175, 193, 211, 229, 247, 265, 283, 301}));

        // Every empty text box is filled out, lines before texts, each before its own text.
        const ModuleSetup after = applyFills(blankSetup(), steps);
        QCOMPARE(after.line1, QString(16, u' '));
        QCOMPARE(after.line2, QString(16, u' '));
        for (const QString& text : after.texts)
            QCOMPARE(text, QString(16, u' '));
    }

    void boxesBecomeTheirBytes()
    {
        ModuleSetup setup = blankSetup();
        setup.uid = QStringLiteral("132");
        setup.at9600 = false;
        setup.line1 = QStringLiteral("0123456789abcdef"); // full: sent and left as it is
        setup.line2 = QStringLiteral("Hi");
        setup.texts[9] = QStringLiteral("\u00fe x");
        setup.bitmaps[0] = QStringLiteral("2.5");
        setup.bitmaps[1] = QStringLiteral("3.5");
        setup.bitmaps[63] = QStringLiteral("1e2");
        const QList<UploadStep> steps = planOf(setup);
        const QByteArray bytes = wire(steps);

        QCOMPARE(bytes.mid(14, 5), QByteArray("\xfe\x1f\xfe\x30\x84"));
        QCOMPARE(bytes.mid(21, 32), QByteArray("0123456789abcdefHi              "));
        QCOMPARE(bytes.mid(55, 64), QByteArray("\x02\x04") + QByteArray(61, '\0') + "\x64");
        // The typed thorn would be the store command; it goes out as '?'.
        QCOMPARE(bytes.mid(283, 18), QByteArray("\xfe\x6e? x") + QByteArray(13, ' '));

        QList<UploadStep::Fill> fills;
        for (const UploadStep& step : steps)
            fills += step.fills;
        QCOMPARE(fills.size(), 11); // line 2 and the ten texts, not the full line 1
        QCOMPARE(fills.first().field, int(UploadStep::Line2));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("bitmap");
        QTest::addColumn<int>("refusal");
        const auto row = [](const char* name, const char* uid, const char* bitmap,
                            UploadRefusal refusal) {
            QTest::newRow(name) << QString::fromLatin1(uid) << QString::fromLatin1(bitmap)
                                << int(refusal);
        };
        row("empty bitmap box", "101", "", UploadRefusal::BadBitmap);
        row("bitmap 256", "101", "256", UploadRefusal::BadBitmap);
        row("bad bitmap and no address", "", "x", UploadRefusal::BadBitmap);
        row("no address", "", "0", UploadRefusal::NoAddress);
        row("broadcast address", "100", "0", UploadRefusal::NoAddress);
        row("address typed with a blank", " 101", "0", UploadRefusal::NoAddress);
        row("address 133", "133", "0", UploadRefusal::NoAddress);
    }

    void refusals()
    {
        QFETCH(QString, uid);
        QFETCH(QString, bitmap);
        QFETCH(int, refusal);
        ModuleSetup setup = blankSetup();
        setup.uid = uid;
        setup.bitmaps[40] = bitmap;
        const auto plan = planUpload(setup);
        QVERIFY(std::holds_alternative<UploadRefusal>(plan));
        QCOMPARE(int(std::get<UploadRefusal>(plan)), refusal);
    }
};

QTEST_GUILESS_MAIN(tst_UploadPlan)
#include "tst_uploadplan.moc"
