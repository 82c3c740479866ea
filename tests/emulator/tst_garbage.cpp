#include "LineScript.h"

#include "emulator/Line.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace velnor {

// Random bytes and cut frames: the line never crashes, its modules stay in a sound state, and
// it answers only what a module may answer.
class TestGarbage : public QObject
{
    Q_OBJECT

private slots:
    void randomBytes();
    void cutFrames();
    void noSelectDeselectOrReadMeansNoAnswer();
};

namespace {

constexpr int Iterations = 2000;

// Every answer is EE aa or EE aa i1 i2 from a module on the line, with input bits 0 to 3.
bool wellFormed(const QByteArray& answers, const Line& line, QString* why)
{
    int i = 0;
    while (i < answers.size()) {
        if (quint8(answers.at(i)) != 0xEE || i + 1 >= answers.size()) {
            *why = u"stray bytes at %1 of %2"_s.arg(i).arg(hexText(answers));
            return false;
        }
        bool known = false;
        for (int m = 0; m < line.moduleCount(); ++m)
            known = known || line.module(m).address() == quint8(answers.at(i + 1));
        if (!known) {
            *why = u"answer from an absent module: "_s + hexText(answers);
            return false;
        }
        i += 2;
        if (i + 1 < answers.size() && quint8(answers.at(i)) <= 0x0F &&
            quint8(answers.at(i + 1)) <= 0x0F)
            i += 2;
    }
    return true;
}

bool sound(const Line& line, QString* why)
{
    for (int m = 0; m < line.moduleCount(); ++m) {
        const Module& module = line.module(m);
        if (module.cursorRow() < 0 || module.cursorRow() >= Module::Rows ||
            module.cursorColumn() < 0 || module.cursorColumn() >= Module::Columns) {
            *why = u"cursor out of the display"_s;
            return false;
        }
        if (!module.working().isValid() || !module.stored().isValid()) {
            *why = u"configuration out of shape"_s;
            return false;
        }
    }
    return true;
}

// Feeds the stream in random pieces at random times; fails the test on an unsound state or a
// malformed answer. Returns every answer.
QByteArray feedInPieces(Line& line, const QByteArray& stream, QRandomGenerator& random)
{
    QByteArray answers;
    qint64 now = 0;
    int pos = 0;
    while (pos < stream.size()) {
        const int piece = 1 + int(random.bounded(40));
        now += random.bounded(30);
        answers += line.feed(stream.mid(pos, piece), now);
        if (random.bounded(4) == 0)
            answers += line.advance(now + random.bounded(40));
        pos += piece;
        QString why;
        if (!sound(line, &why)) {
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
            return answers;
        }
    }
    answers += line.advance(now + 1000);
    return answers;
}

// A fresh line with modules 101 and 102 takes the stream and answers only as modules may.
void checkStream(const QByteArray& stream, QRandomGenerator& random)
{
    Line line({101, 102});
    const QByteArray answers = feedInPieces(line, stream, random);
    if (QTest::currentTestFailed())
        QFAIL(qPrintable(u"stream "_s + hexText(stream)));
    QString why;
    QVERIFY2(wellFormed(answers, line, &why), qPrintable(why + u" for "_s + hexText(stream)));
}

} // namespace

void TestGarbage::randomBytes()
{
    QRandomGenerator random(20240611);
    // Frame bytes and addresses come up far more often than chance would have them.
    const QByteArray likely = scriptBytes(u"EF EA FE 64 65 66 0E 20 30 0C 0D 34"_s);
    for (int n = 0; n < Iterations && !QTest::currentTestFailed(); ++n) {
        QByteArray stream;
        const int length = int(random.bounded(600));
        for (int i = 0; i < length; ++i) {
            stream += random.bounded(3) == 0 ? likely.at(random.bounded(likely.size()))
                                             : char(random.bounded(256));
        }
        checkStream(stream, random);
    }
}

void TestGarbage::cutFrames()
{
    QRandomGenerator random(77);
    QList<QByteArray> frames;
    for (const QString& frame :
         u"EF 65/EF 66/EA/EF 64/EA 64/0D \"Hello\" 0C \"World\"/FE 34 65 01/FE 32 01 0F/FE 2D 01/"
         "FE 2E 07/FE 0E/FE 33 03 48/FE 64 00*10 EF EA FE 1F*51/FE C8 \"Start-up\" 20*24/"
         "FE 6E EA 64 EF 65 FE 0E 41*10/FE 30 66 FE 1F/FE 09/EF 64 FE 20"_s.split(u'/'))
        frames << scriptBytes(frame);
    for (int n = 0; n < Iterations && !QTest::currentTestFailed(); ++n) {
        QByteArray stream;
        const int count = int(random.bounded(30));
        for (int i = 0; i < count; ++i) {
            const QByteArray& frame = frames.at(random.bounded(frames.size()));
            stream += random.bounded(3) == 0 ? frame.left(random.bounded(frame.size())) : frame;
        }
        checkStream(stream, random);
    }
}

void TestGarbage::noSelectDeselectOrReadMeansNoAnswer()
{
    QRandomGenerator random(4711);
    for (int n = 0; n < Iterations; ++n) {
        Line line({101, 102});
        // Half the streams begin with a select, so the garbage reaches a module.
        const bool selectFirst = n % 2 == 0;
        const QByteArray select = scriptBytes(u"EF 65"_s);
        if (selectFirst)
            QCOMPARE(hexText(line.feed(select, 0)), u"EE 65"_s);
        QByteArray stream;
        const int length = int(random.bounded(800));
        while (stream.size() < length) {
            const char byte = char(random.bounded(256));
            if (byte != char(0xEF) && byte != char(0xEA) && byte != char(0x0E))
                stream += byte;
        }
        const QByteArray answers = feedInPieces(line, stream, random);
        QVERIFY2(answers.isEmpty(), qPrintable(hexText(stream) + u" gave "_s + hexText(answers)));
        QCOMPARE(line.module(0).ownSelected(), selectFirst);
    }
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestGarbage)
#include "tst_garbage.moc"
