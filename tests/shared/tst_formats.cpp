#include "shared/Formats.h"

#include <QTest>

#include <ctime>

using namespace Qt::StringLiterals;
using namespace velnor;

class tst_Formats final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The expected times are written for UTC.
        qputenv("TZ", "UTC");
        tzset();
    }

    void hex_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QByteArray() << QString();
        QTest::newRow("one") << "\x0a"_ba << u"0A"_s;
        QTest::newRow("a frame") << "\xef\x65\x00\xff"_ba << u"EF 65 00 FF"_s;
    }

    void hex()
    {
        QFETCH(QByteArray, bytes);
        QTEST(formats::hex(bytes), "text");
        if (bytes.size() == 1)
            QTEST(formats::hex(quint8(bytes.at(0))), "text");
    }

    void logTime()
    {
        const qint64 ms = 1796636212481; // 2026-12-07 09:36:52.481 UTC
        QCOMPARE(formats::logTime(ms), u"2026-12-07T09:36:52.481"_s);
        QCOMPARE(formats::logTime(ms, formats::Moment::TimeOfDay), u"09:36:52.481"_s);
        QCOMPARE(formats::logTime(7), u"1970-01-01T00:00:00.007"_s);
    }

    void numbers()
    {
        QCOMPARE(formats::numbers({}), QString());
        QCOMPARE(formats::numbers({9600}), u"9600"_s);
        QCOMPARE(formats::numbers({101, 117, 132}), u"101, 117, 132"_s);
    }
};

QTEST_GUILESS_MAIN(tst_Formats)
#include "tst_formats.moc"
