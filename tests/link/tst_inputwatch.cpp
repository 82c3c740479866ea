#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "link/InputWatch.h"
#include "shared/Wire.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace velnor;
using namespace velnor::test;

class tst_InputWatch final : public QObject
{
    Q_OBJECT

private slots:
    // Answers to the input reads in turn ("-" for none), with a read of the main window under
    // way or not when the watch starts: the watch's reads come after that one, and each of them
    // is heard to its answer with the inputs that changed.
    void watchReportsChanges_data()
    {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<bool>("afterAnotherRead");
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<int>("unanswered");
        QTest::newRow("changes and a silence")
            << "ee690f00 ee690f00 - ee690e00 ee690e08" << false
            << QStringList{u"first 0 1 2 3 4 5 6 7"_s, u""_s, u"0"_s, u"7"_s} << 1;
        QTest::newRow("after another read")
            << "ee690f00 ee690f00 ee690f00 ee690f00 ee690f00" << true
            << QStringList{u"first 0 1 2 3 4 5 6 7"_s, u""_s, u""_s, u""_s} << 0;
    }

    void watchReportsChanges()
    {
        QFETCH(QString, answers);
        QFETCH(bool, afterAnotherRead);
        FakeMessageSink messages;
        Panel panel{messages, fakeLine(), fakeLine()};
        FakeSerialPort& port = fakePort(panel);
        QByteArrayList left = answers.toLatin1().split(' ');
        const QByteArray last = QByteArray::fromHex(left.last());
        port.answerWith([&left](const QByteArray& bytes) {
            if (bytes.at(0) != char(wire::code::ReadInputs) || left.isEmpty())
                return QByteArray();
            return QByteArray::fromHex(left.takeFirst());
        });
        if (afterAnotherRead)
            QVERIFY(panel.exchanges().start({Exchange::readInputs(105)}, this, {}));
        InputWatch watch(panel);
        QStringList changes;
        QList<InputStates> states;
        connect(&watch, &InputWatch::answered, &watch,
                [&](const InputStates& s, const QList<int>& changed, bool first) {
                    states.append(s);
                    QStringList line{first ? u"first"_s : QString()};
                    for (const int input : changed)
                        line.append(QString::number(input));
                    changes.append(line.join(u' ').trimmed());
                    if (states.size() == 4)
                        watch.stop();
                });
        QSignalSpy unanswered(&watch, &InputWatch::unanswered);
        QSignalSpy stopped(&watch, &InputWatch::stopped);
        QVERIFY(watch.start(0x69));
        QVERIFY(!watch.start(0x69));
        QVERIFY(stopped.wait(20000));
        QTEST(changes, "changes");
        QTEST(int(unanswered.size()), "unanswered");
        QCOMPARE(states.last(), inputStates(quint8(last.at(2)), quint8(last.at(3))));
        QCOMPARE(port.written().count(char(wire::code::ReadInputs)), 5);
        QVERIFY(panel.gate().isOpen());
    }

    void watchStopMidRead()
    {
        FakeMessageSink messages;
        Panel panel{messages, fakeLine(), fakeLine()};
        InputWatch watch(panel);
        QSignalSpy unanswered(&watch, &InputWatch::unanswered);
        QVERIFY(watch.start(105, 60000));
        QVERIFY(!panel.gate().isOpen());
        watch.stop();
        QVERIFY(!watch.isRunning());
        QVERIFY(panel.gate().isOpen());
        QCOMPARE(unanswered.size(), 0);
    }

    void watchWaitsForTheGate()
    {
        FakeMessageSink messages;
        Panel panel{messages, fakeLine(), fakeLine()};
        FakeSerialPort& port = fakePort(panel);
        QObject holder;
        QVERIFY(panel.gate().close(&holder));
        InputWatch watch(panel);
        QSignalSpy unanswered(&watch, &InputWatch::unanswered);
        QVERIFY(watch.start(105, 60000));
        QVERIFY(port.writes.isEmpty());
        panel.gate().open(&holder);
        QVERIFY(unanswered.wait(20000));
        QCOMPARE(port.written().toHex(' '), QByteArray("fe 0e"));
        // The next read waits for its interval: nothing more goes out meanwhile.
        QCoreApplication::processEvents(); // what was posted runs; no time passes
        QCOMPARE(port.writes.size(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_InputWatch)
#include "tst_inputwatch.moc"
