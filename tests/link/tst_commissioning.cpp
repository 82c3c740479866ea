#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "link/Commissioning.h"
#include "shared/Wire.h"

#include <QSignalSpy>

using namespace velnor;
using namespace velnor::test;

class tst_Commissioning final : public QObject
{
    Q_OBJECT

private slots:
    // An upload whose first step fails to send ends inside its start: the task is not left busy.
    void uploadThatFailsAtOnceEnds()
    {
        FakeMessageSink messages;
        Panel panel(messages, fakeLine(), fakeLine());
        // Module 101 alone, at 9600 bit/s.
        FakeSerialPort& port = fakePort(panel);
        port.answerWith([&port](const QByteArray& written) {
            return written == "\x65" && port.settings().startsWith(u"9600")
                       ? QByteArray("\xEE\x65")
                       : QByteArray();
        });
        Commissioning task(panel);
        QSignalSpy found(&task, &Commissioning::found);
        QSignalSpy ended(&task, &Commissioning::uploadEnded);
        QVERIFY(task.find());
        QTRY_COMPARE_WITH_TIMEOUT(found.size(), 1, 10000);
        QCOMPARE(found.at(0).at(0).value<Commissioning::Found>(), Commissioning::Found::One);
        // The load frames go out a byte at a time, then its text; the first step fails.
        static_cast<FakeSerialPort&>(panel.configPort()).failWritesAfter = 4;
        ModuleSetup setup;
        setup.at9600 = true;
        setup.bitmaps.fill(QStringLiteral("0"));
        QVERIFY(task.upload(setup, 103));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), false);
        QVERIFY(!task.isBusy());
    }
};

QTEST_GUILESS_MAIN(tst_Commissioning)
#include "tst_commissioning.moc"
