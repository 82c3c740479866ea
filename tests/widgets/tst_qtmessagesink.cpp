#include "FakeLine.h"
#include "link/Panel.h"
#include "protocol/UploadPlan.h"
#include "widgets/QtMessageSink.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace velnor;
using namespace velnor::test;
using namespace Qt::StringLiterals;

class tst_QtMessageSink final : public QObject
{
    Q_OBJECT
private slots:
    void oneBoxAtATimeShownWithoutWaiting();
    void aFailingLineShowsOneBoxWhileItsStepGoesOn_data();
    void aFailingLineShowsOneBoxWhileItsStepGoesOn();
};

namespace {

qsizetype boxesOn(const QWidget& window)
{
    const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>();
    return std::count_if(boxes.begin(), boxes.end(),
                         [](QMessageBox* b) { return b->isVisible(); });
}

} // namespace

void tst_QtMessageSink::oneBoxAtATimeShownWithoutWaiting()
{
    QWidget window;
    window.show();
    QtMessageSink sink;
    sink.setParentWindow(&window);
    // Posted before the box: it runs only if something runs the event loop inside the call.
    bool ranInside = false;
    QTimer::singleShot(0, &window, [&ranInside] { ranInside = true; });

    sink.showMessage(u"A"_s, u"first"_s);
    QVERIFY(!ranInside);
    const QPointer<QMessageBox> first = sink.box();
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->windowModality(), Qt::WindowModal);
    QCOMPARE(first->windowTitle(), QCoreApplication::applicationName());
    QCOMPARE(first->text(), u"A"_s);
    QCOMPARE(first->informativeText(), u"first"_s);
    QCOMPARE(first->standardButtons(), QMessageBox::Ok);
    QCOMPARE(first->icon(), QMessageBox::NoIcon);

    sink.showMessage(u"A"_s, u"first"_s);
    sink.showMessage(u"B"_s, u"second"_s);
    sink.showMessage(u"B"_s, u"second"_s);
    QCOMPARE(boxesOn(window), 1);

    first->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(!first);
    QVERIFY(sink.box());
    QCOMPARE(sink.box()->informativeText(), u"second"_s);
    QCOMPARE(boxesOn(window), 1);
    sink.box()->button(QMessageBox::Ok)->click();
    QCOMPARE(sink.box(), nullptr);
    QTRY_COMPARE(window.findChildren<QMessageBox*>().size(), 0);
}

void tst_QtMessageSink::aFailingLineShowsOneBoxWhileItsStepGoesOn_data()
{
    QTest::addColumn<bool>("upload");
    QTest::newRow("two selects and their waits") << false;
    QTest::newRow("configuration upload") << true;
}

void tst_QtMessageSink::aFailingLineShowsOneBoxWhileItsStepGoesOn()
{
    QFETCH(bool, upload);
    QWidget window;
    window.show();
    QtMessageSink sink;
    sink.setParentWindow(&window);
    Panel panel(sink, fakeLine(), fakeLine());
    auto& port = static_cast<FakeSerialPort&>(upload ? panel.configPort() : panel.port());
    auto& ticks = static_cast<FakeTickSource&>(upload ? panel.configTicks() : panel.ticks());
    port.refuseOpen = true;
    QSignalSpy uploaded(&panel.configLink(), &ConfigLink::finished);
    QList<bool> exchanged;

    const UploadStep step{UploadStep::Kind::Frame, "\xFE\x03"_ba, true, {}};
    QVERIFY(upload ? panel.configLink().start({step, step}, &window, {})
                   : panel.exchanges().start(
                         {Exchange::select(101), Exchange::select(102)}, &window,
                         {{}, {}, {}, [&](bool done) { exchanged.append(done); }}));
    QCOMPARE(ticks.ticksEmitted, 0);
    QVERIFY(sink.box());

    // The upload has stopped already, inside start(); the selects run on.
    QTRY_COMPARE_WITH_TIMEOUT(upload ? uploaded.count() : exchanged.size(), 1, 10000);
    QCOMPARE(upload ? uploaded.at(0).at(0).toBool() : exchanged.first(), !upload);
    QCOMPARE(ticks.ticksEmitted, upload ? 0 : 2 * Exchange::kAnswerTicks);
    QCOMPARE(boxesOn(window), 1);
    QVERIFY(sink.box()->informativeText().contains(port.failureReason));
}

QTEST_MAIN(tst_QtMessageSink)
#include "tst_qtmessagesink.moc"
