#include "FakeSerialPort.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"

#include <QTest>

using namespace velnor;
using velnor::test::FakeSerialPort;

namespace {

// The receiver on a fake port, awaiting an answer of length bytes from address 100.
struct Rig
{
    explicit Rig(int length)
    {
        receiver.expect(100, length);
        QObject::connect(&receiver, &Receiver::answerIn, &monitor,
                         [this](const QByteArray& bytes) { answers.append(bytes.toHex(' ')); });
    }

    FakeSerialPort port;
    TrafficMonitor monitor;
    Receiver receiver{port, monitor};
    // Each answer taken, in hex.
    QByteArrayList answers;
};

} // namespace

class tst_Receiver final : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("chunks"); // hex bytes, each arrival separated by '|'
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("leftWaiting");
        const auto row = [](const char* name, int length, const char* chunks, const char* state,
                            const char* shown, int left) {
            QTest::newRow(name) << length << QString::fromLatin1(chunks)
                                << QString::fromLatin1(state) << QString::fromLatin1(shown)
                                << left;
        };
        row("ack", 2, "EE 64", "ee 64", "EE 64 ", 0);
        row("ack from another address", 2, "EE 65", "", "EE 65 ", 0);
        row("no ack header", 2, "00 64", "", "00 64 ", 0);
        row("two answers together, first counts", 2, "EE 65 EE 64", "", "EE 65 EE 64 ", 0);
        row("junk then a whole ack", 2, "01 02|EE 64", "ee 64", "01 02 EE 64 ", 0);
        // A module that never stops talking shows its latest bytes only.
        row("a chatterer", 2, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10|11 12 13", "",
            "... 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 ", 0);
        row("lone byte waits for company", 2, "EE", "", "", 1);
        row("a late ack still counts and shows", 2, "EE 64|EE 64", "ee 64|ee 64", "EE 64 EE 64 ",
            0);
        row("inputs", 4, "EE 64 05 0A", "ee 64 05 0a", "EE 64 05 0A ", 0);
        row("inputs with a foreign header", 4, "00 00 03 01", "", "00 00 03 01 ", 0);
        row("inputs in pieces", 4, "EE 64|05|0A", "ee 64 05 0a", "EE 64 05 0A ", 0);
        row("inputs cut short are kept", 4, "EE 64 05", "", "", 3);
        row("inputs with trailing bytes", 4, "EE 64 0F 00 EE 64", "ee 64 0f 00", "EE 64 0F 00 ",
            0);
    }

    void answers()
    {
        QFETCH(int, length);
        QFETCH(QString, chunks);
        Rig rig(length);
        QByteArray fed;
        QByteArray heard; // every byte read is reported, shown or dropped
        connect(&rig.receiver, &Receiver::bytesReceived, this,
                [&heard](const QByteArray& bytes) { heard += bytes; });
        for (const QString& chunk : chunks.split(QLatin1Char('|'))) {
            fed += QByteArray::fromHex(chunk.toLatin1());
            rig.port.feed(QByteArray::fromHex(chunk.toLatin1()));
        }
        QTEST(QString::fromLatin1(rig.answers.join('|')), "answers");
        QTEST(rig.monitor.rxText(), "shown");
        QTEST(rig.port.inBufferCount(), "leftWaiting");
        QCOMPARE(heard, fed.first(fed.size() - rig.port.inBufferCount()));
    }

    void aShorterAnswerIsReadFromTheEventLoop()
    {
        Rig rig(4);
        rig.port.feed("\xee\x64");
        rig.receiver.expect(100, 2);
        QVERIFY(rig.answers.isEmpty()); // not from inside the caller
        QTRY_COMPARE(rig.answers, QByteArrayList{"ee 64"});
        QCOMPARE(rig.monitor.rxText(), QStringLiteral("EE 64 "));
    }

    void unreadBytesStopAtTheBufferSize()
    {
        FakeSerialPort port; // threshold 0: a port that is only written to
        port.feed(QByteArray(1000, 'x'));
        port.feed(QByteArray(1000, 'y'));
        QCOMPARE(port.input(), QByteArray(1000, 'x') + QByteArray(24, 'y'));

        // A reader that takes the bytes on each event gets all of a chunk larger than that.
        QByteArray taken;
        port.setRThreshold(1);
        connect(&port, &SerialPort::onComm, this, [&] { taken += port.input(); });
        port.feed(QByteArray(3000, 'z'));
        QCOMPARE(taken, QByteArray(3000, 'z'));
    }
};

QTEST_GUILESS_MAIN(tst_Receiver)
#include "tst_receiver.moc"
