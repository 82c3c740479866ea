#include "link/LineSettings.h"
#include "link/PortLocator.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include "Files.h"

#include <QTemporaryDir>
#include <QTest>

using velnor::LineSettings;
using namespace Qt::Literals::StringLiterals;

// What a port is opened with: the settings text "9600,n,8,1" and the device a port number names.
class TestPortSettings final : public QObject
{
    Q_OBJECT
private slots:
    void lineSettings_data();
    void lineSettings();
    void device_data();
    void device();
};

void TestPortSettings::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    // The text the settings come to, written back in the same form; empty: refused.
    QTest::addColumn<QString>("parsed");
    const auto row = [](const QString& text, const QString& parsed) {
        QTest::addRow("[%s]", qPrintable(text)) << text << parsed;
    };
    row(u"9600,n,8,1"_s, u"9600,n,8,1"_s);
    row(u"19200,E,7,2"_s, u"19200,e,7,2"_s);
    row(u" 300 , o , 5 , 1.5 "_s, u"300,o,5,1.5"_s);
    row(u"115200,m,6,1"_s, u"115200,m,6,1"_s);
    row(u"4800,S,8,2"_s, u"4800,s,8,2"_s);
    row(QString(), QString());
    row(u"9600,n,8"_s, QString());
    row(u"96OO,n,8,1"_s, QString());
    row(u"0,n,8,1"_s, QString());
    row(u"+9600,n,8,1"_s, QString());
    row(u"99999999999,n,8,1"_s, QString());
    row(u"9600,none,8,1"_s, QString());
    row(u"9600,n,4,1"_s, QString());
    row(u"9600,n,9,1"_s, QString());
    row(u"9600,n,8,1.0"_s, QString());
}

void TestPortSettings::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(QString, parsed);
    QString reason;
    const auto line = LineSettings::parse(text, &reason);
    QVERIFY2(line.has_value() != parsed.isEmpty(), qPrintable(reason));
    // Indexed by QSerialPort's Parity and StopBits values.
    const QString stopBits[] = {{}, u"1"_s, u"2"_s, u"1.5"_s};
    if (line)
        QCOMPARE(u"%1,%2,%3,%4"_s.arg(line->baudRate)
                     .arg(QChar(u"n?eosm"[line->parity]))
                     .arg(int(line->dataBits))
                     .arg(stopBits[line->stopBits]),
                 parsed);
    else
        QVERIFY(!reason.isEmpty());
}

void TestPortSettings::device_data()
{
    QTest::addColumn<QByteArray>("ini"); // null: no settings file at all
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    const QByteArray usb = "[Settings]\r\nCommPort=3\r\n[Ports]\r\n3=/dev/ttyUSB0\r\n"_ba;
    QTest::newRow("mapped") << usb << 3 << u"/dev/ttyUSB0"_s;
    QTest::newRow("not mapped") << usb << 2 << u"/dev/ttyS1"_s;
    QTest::newRow("empty entry") << "[Ports]\r\n3=\r\n"_ba << 3 << u"/dev/ttyS2"_s;
    QTest::newRow("no file") << QByteArray() << 20 << u"/dev/ttyS19"_s;
    QTest::newRow("port 0") << usb << 0 << QString();
}

void TestPortSettings::device()
{
#ifndef Q_OS_LINUX
    QSKIP("The expected devices are Linux names");
#endif
    QFETCH(QByteArray, ini);
    QFETCH(int, number);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"velnor.ini"_s);
    QVERIFY(ini.isNull() || velnor::test::put(path, ini));
    QTEST(velnor::devicePathForPort(velnor::portMapOf(velnor::IniFile(path)), number), "device");
}

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
