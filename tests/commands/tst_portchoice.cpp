#include "FakeSerialPort.h"
#include "commands/PortChoice.h"
#include "settings/StartupSettings.h"

#include <QTest>

using namespace velnor;

class tst_PortChoice final : public QObject
{
    Q_OBJECT

private slots:
    // From the settings at start, then through the user's choices: "pN" picks port N from the
    // list, "sS" the speed S. The port is open before each choice, as a frame leaves it, so
    // "closes" counts the choices that closed it.
    void choices_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("commPort");
        QTest::addColumn<int>("closes");
        const auto row = [](const char* name, const char* setting, int port, const char* steps,
                            const char* settings, int commPort, int closes) {
            QTest::newRow(name) << QString::fromLatin1(setting) << port
                                << QString::fromLatin1(steps) << QString::fromLatin1(settings)
                                << commPort << closes;
        };
        row("4800 with other framing kept", "4800,e,7,1", 2, "", "4800,e,7,1", 2, 0);
        row("other speed settles at 4800", "19200,n,8,1", 1, "", "4800,n,8,1", 1, 0);
        row("empty settles at 4800", "", 20, "", "4800,n,8,1", 20, 0);
        row("no entry chosen", "9600,n,8,1", 3, "p0", "9600,n,8,1", 3, 0);
        row("framing reset by a speed", "9600,e,7,1", 4, "s4800 p4", "4800,n,8,1", 4, 1);
    }

    void choices()
    {
        QFETCH(QString, setting);
        QFETCH(int, port);
        QFETCH(QString, steps);
        QFETCH(QString, settings);
        QFETCH(int, commPort);
        QFETCH(int, closes);

        test::FakeSerialPort serial;
        PortChoice choice(serial);
        StartupSettings startup;
        startup.port = port;
        startup.lineSettings = setting;
        choice.load(startup);
        // Not opened: the first frame opens it.
        QVERIFY(!serial.portOpen());

        for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
            serial.setPortOpen(true);
            const int value = step.mid(1).toInt();
            if (step.startsWith(u'p'))
                choice.choosePort(value - 1);
            else
                choice.chooseSpeed(value);
        }
        QCOMPARE(serial.settings(), settings);
        QCOMPARE(serial.commPort(), commPort);
        QCOMPARE(serial.closes, closes);
    }
};

QTEST_GUILESS_MAIN(tst_PortChoice)
#include "tst_portchoice.moc"
