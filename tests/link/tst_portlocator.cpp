#include "link/PortLocator.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using velnor::IniFile;
using namespace Qt::Literals::StringLiterals;

// Port numbers name devices: the "Ports" section of the settings file first, else the platform's
// own serial ports.
class TestPortLocator final : public QObject
{
    Q_OBJECT
private slots:
    void namesDevice_data();
    void namesDevice();
};

void TestPortLocator::namesDevice_data()
{
    QTest::addColumn<QByteArray>("ini"); // a null array: no settings file at all
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");

    const QByteArray usb = QByteArrayLiteral("[Settings]\r\nCommPort=3\r\n"
                                             "[Ports]\r\n3=/dev/ttyUSB0\r\n");
    QTest::newRow("no file, port 1") << QByteArray() << 1 << u"/dev/ttyS0"_s;
    QTest::newRow("no file, port 20") << QByteArray() << 20 << u"/dev/ttyS19"_s;
    QTest::newRow("no Ports section")
        << QByteArrayLiteral("[Settings]\r\nCommPort=3\r\n") << 3 << u"/dev/ttyS2"_s;
    QTest::newRow("mapped port") << usb << 3 << u"/dev/ttyUSB0"_s;
    QTest::newRow("another port than the mapped one") << usb << 2 << u"/dev/ttyS1"_s;
    QTest::newRow("empty entry") << QByteArrayLiteral("[Ports]\r\n3=\r\n") << 3 << u"/dev/ttyS2"_s;
    QTest::newRow("edited by hand")
        << QByteArrayLiteral("; mine\n[ports]\n 12 = /dev/pts/7 \n") << 12 << u"/dev/pts/7"_s;
    QTest::newRow("port 0 names nothing") << usb << 0 << QString();
}

void TestPortLocator::namesDevice()
{
#ifndef Q_OS_LINUX
    QSKIP("The expected devices are Linux names");
#endif
    QFETCH(QByteArray, ini);
    QFETCH(int, number);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"velnor.ini"_s);
    if (!ini.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(ini), ini.size());
    }
    QTEST(velnor::devicePathForPort(number, IniFile(path)), "device");
}

QTEST_GUILESS_MAIN(TestPortLocator)
#include "tst_portlocator.moc"
