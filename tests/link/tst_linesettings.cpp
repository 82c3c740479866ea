#include "link/LineSettings.h"

#include <QTest>

using velnor::LineSettings;
using namespace Qt::Literals::StringLiterals;

// The settings text "9600,n,8,1" as the windows and the settings file give it.
class TestLineSettings final : public QObject
{
    Q_OBJECT
private slots:
    void parsesValidText_data();
    void parsesValidText();
    void rejectsOtherText_data();
    void rejectsOtherText();
};

void TestLineSettings::parsesValidText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("baudRate");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");

    QTest::newRow("the usual") << u"9600,n,8,1"_s << 9600 << QSerialPort::NoParity
                               << QSerialPort::Data8 << QSerialPort::OneStop;
    QTest::newRow("the slow speed, capital letter")
        << u"4800,N,8,1"_s << 4800 << QSerialPort::NoParity << QSerialPort::Data8
        << QSerialPort::OneStop;
    QTest::newRow("even, 7 bits, 2 stop") << u"19200,e,7,2"_s << 19200 << QSerialPort::EvenParity
                                          << QSerialPort::Data7 << QSerialPort::TwoStop;
    QTest::newRow("odd, 5 bits, 1.5 stop") << u"300,O,5,1.5"_s << 300 << QSerialPort::OddParity
                                           << QSerialPort::Data5 << QSerialPort::OneAndHalfStop;
    QTest::newRow("mark, 6 bits") << u"115200,m,6,1"_s << 115200 << QSerialPort::MarkParity
                                  << QSerialPort::Data6 << QSerialPort::OneStop;
    QTest::newRow("space") << u"9600,S,8,2"_s << 9600 << QSerialPort::SpaceParity
                           << QSerialPort::Data8 << QSerialPort::TwoStop;
    QTest::newRow("blanks around fields")
        << u" 2400 , e , 7 , 1 "_s << 2400 << QSerialPort::EvenParity << QSerialPort::Data7
        << QSerialPort::OneStop;
}

void TestLineSettings::parsesValidText()
{
    QFETCH(QString, text);
    QString reason;
    const auto line = LineSettings::parse(text, &reason);
    QVERIFY2(line, qPrintable(reason));
    QTEST(line->baudRate, "baudRate");
    QTEST(line->parity, "parity");
    QTEST(line->dataBits, "dataBits");
    QTEST(line->stopBits, "stopBits");
}

void TestLineSettings::rejectsOtherText_data()
{
    QTest::addColumn<QString>("text");
    // The reason names what is wrong, so the user can mend the settings file.
    QTest::addColumn<QString>("reasonMentions");

    QTest::newRow("empty") << QString() << u"9600,n,8,1"_s;
    QTest::newRow("three fields") << u"9600,n,8"_s << u"9600,n,8,1"_s;
    QTest::newRow("five fields") << u"9600,n,8,1,1"_s << u"9600,n,8,1"_s;
    QTest::newRow("semicolons") << u"9600;n;8;1"_s << u"9600,n,8,1"_s;
    QTest::newRow("letters in speed") << u"96OO,n,8,1"_s << u"\"96OO\""_s;
    QTest::newRow("zero speed") << u"0,n,8,1"_s << u"\"0\""_s;
    QTest::newRow("signed speed") << u"+9600,n,8,1"_s << u"\"+9600\""_s;
    QTest::newRow("negative speed") << u"-9600,n,8,1"_s << u"\"-9600\""_s;
    QTest::newRow("speed too large") << u"99999999999,n,8,1"_s << u"\"99999999999\""_s;
    QTest::newRow("no speed") << u",n,8,1"_s << u"speed"_s;
    QTest::newRow("unknown parity") << u"9600,x,8,1"_s << u"\"x\""_s;
    QTest::newRow("parity word") << u"9600,none,8,1"_s << u"\"none\""_s;
    QTest::newRow("no parity letter") << u"9600,,8,1"_s << u"parity"_s;
    QTest::newRow("4 data bits") << u"9600,n,4,1"_s << u"\"4\""_s;
    QTest::newRow("9 data bits") << u"9600,n,9,1"_s << u"\"9\""_s;
    QTest::newRow("3 stop bits") << u"9600,n,8,3"_s << u"\"3\""_s;
    QTest::newRow("stop bits 1.0") << u"9600,n,8,1.0"_s << u"\"1.0\""_s;
    QTest::newRow("stop bits 0") << u"9600,n,8,0"_s << u"\"0\""_s;
}

void TestLineSettings::rejectsOtherText()
{
    QFETCH(QString, text);
    QFETCH(QString, reasonMentions);
    QString reason;
    QVERIFY(!LineSettings::parse(text, &reason));
    QVERIFY2(reason.contains(reasonMentions), qPrintable(reason));
}

QTEST_GUILESS_MAIN(TestLineSettings)
#include "tst_linesettings.moc"
