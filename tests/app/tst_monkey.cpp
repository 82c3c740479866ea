// Random clicks on both windows, many of them while a wait runs, from a fixed seed: nothing may
// hang or crash, every wait must last its own ticks, nothing but the waiting exchange may reach
// a port during a wait, and each port must carry whole frames only.
#include "LcdSection.h"
#include "MainWindowRig.h"
#include "config/ConfigWindow.h"
#include "protocol/FrameDecoder.h"
#include "shared/Wire.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>

#include <set>

using namespace Qt::StringLiterals;
using namespace velnor;

namespace {

// A port's bytes read back as the traffic log reads them. Empty when they make whole frames of
// commands the window sends; otherwise the first that does not: a frame cut short or torn by
// another, or a command the window never sends.
QString frameFault(const QByteArray& stream, const std::set<quint8>& codes)
{
    using Kind = DecodedFrame::Kind;
    FrameDecoder decoder;
    QList<DecodedFrame> frames = decoder.sent(stream);
    frames += decoder.endSent();
    for (const DecodedFrame& frame : std::as_const(frames)) {
        const bool command = frame.kind == Kind::Command || frame.kind == Kind::BlockHeader;
        if (frame.kind == Kind::NoFrame || (command && !codes.count(quint8(frame.bytes.at(1)))))
            return frame.meaning + QStringLiteral(": ") +
                   QString::fromLatin1(frame.bytes.toHex(' '));
    }
    return {};
}

const std::set<quint8> kMainCodes{0x01, 0x02, 0x03, 0x06, 0x07, 0x09, 0x0B, 0x0C,
                                  0x0D, 0x0E, 0x2D, 0x2E, 0x32, 0x33, 0x34};
std::set<quint8> configCodes()
{
    std::set<quint8> codes{0x08, 0x1E, 0x1F, 0x20, 0x2D, 0x30, 0x64, 0xC8};
    for (quint8 c = wire::code::FirstText; c <= wire::code::LastText; ++c)
        codes.insert(c);
    return codes;
}

} // namespace

class tst_Monkey final : public QObject
{
    Q_OBJECT

private slots:
    void randomClicksOnBothWindows()
    {
        const quint32 seed = qEnvironmentVariableIsSet("VELNOR_MONKEY_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("VELNOR_MONKEY_SEED"))
                                 : 20261207u;
        const int steps = qEnvironmentVariableIsSet("VELNOR_MONKEY_STEPS")
                              ? qEnvironmentVariableIntValue("VELNOR_MONKEY_STEPS")
                              : 4000;
        QRandomGenerator random(seed);
        // A whole configuration, so that uploads go out.
        const QByteArray ini = "[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n" +
                               test::lcdSection(test::lcdKeys({{u"UID"_s, u"101"_s}}));
        test::MainWindowRig rig(&ini);

        // Module 101 answers most selects, deselects and input reads.
        // Nothing but the waiting exchange itself may reach a port while a wait runs.
        int writesDuringWaits = 0;
        rig.configPort.peer = [&](const QByteArray&) {
            if (rig.ticks.isActive())
                ++writesDuringWaits;
        };
        QByteArray pending;
        rig.port.answerWith([&](const QByteArray& written) {
            if (rig.ticks.isActive() || rig.configTicks.isActive())
                ++writesDuringWaits;
            pending += written;
            QByteArray reply;
            if (pending.endsWith("\xef\x65") || pending.endsWith("\xea"))
                reply = "\xee\x65";
            else if (pending.endsWith("\xfe\x0e"))
                reply =
                    QByteArray("\xee\x65") + char(random.bounded(256)) + char(random.bounded(256));
            if (reply.isEmpty() || random.bounded(10) >= 7)
                return QByteArray();
            return reply;
        });

        QList<QAbstractButton*> mainButtons = rig.window->findChildren<QAbstractButton*>();
        // The window's own controls only: Qt's hidden helpers, such as the menu bar's overflow
        // button, open popups of their own that no user reaches. Nor the watch box: a watch
        // gives way to every click, so its reads end early by design.
        mainButtons.removeIf([&rig](const QAbstractButton* button) {
            return button->objectName().startsWith(u"qt_") ||
                   button->objectName() == u"watchBox" || !button->isVisibleTo(rig.window.get());
        });
        QList<QComboBox*> mainLists = rig.window->findChildren<QComboBox*>();
        QList<QLineEdit*> mainLines{rig.child<QLineEdit>(QStringLiteral("line1Box")),
                                    rig.child<QLineEdit>(QStringLiteral("line2Box"))};
        auto* menu = rig.child<QAction>(QStringLiteral("configAction"));
        const QList<QAbstractButton*> waiting{
            rig.child<QAbstractButton>(QStringLiteral("selectButton")),
            rig.child<QAbstractButton>(QStringLiteral("deselectButton")),
            rig.child<QAbstractButton>(QStringLiteral("readInputsButton"))};
        auto* broadcast = rig.child<QAbstractButton>(QStringLiteral("broadcastBox"));

        const auto randomText = [&random] {
            QString text;
            const int length = random.bounded(18);
            // Mostly ISO-8859-1, with characters it cannot hold and a lone surrogate now and then.
            static const char16_t others[] = {0x20AC, 0x0160, 0x4E2D, 0x200B, 0xD83D, 0xFFFD};
            for (int i = 0; i < length; ++i)
                text += QChar(random.bounded(5) == 0 ? others[random.bounded(6)]
                                                     : char16_t(random.bounded(0x100)));
            return text;
        };
        int actions = 0;
        int duringWaits = 0;
        const auto act = [&] {
            ++actions;
            if (!rig.panel.gate().isOpen())
                ++duringWaits;
            QPointer<ConfigWindow> config = rig.window->configWindow();
            switch (random.bounded(config ? 9 : 6)) {
            case 0: // the buttons that wait for an answer, more often than the rest
                if (broadcast->isChecked())
                    broadcast->click(); // which locks the select buttons
                else
                    waiting.at(random.bounded(waiting.size()))->click();
                break;
            case 1:
            case 2:
                mainButtons.at(random.bounded(mainButtons.size()))->click();
                break;
            case 3: {
                QComboBox* list = mainLists.at(random.bounded(mainLists.size()));
                if (random.bounded(5) == 0)
                    list->setEditText(randomText());
                else
                    list->setCurrentIndex(random.bounded(list->count()));
                break;
            }
            case 4:
                mainLines.at(random.bounded(2))->setText(randomText());
                break;
            case 5:
                menu->trigger();
                break;
            case 6: // an upload closes the gate for 14 waits: not too often
                if (random.bounded(4) == 0)
                    config->findChild<QAbstractButton*>(QStringLiteral("uploadButton"))->click();
                break;
            case 7:
                config->findChild<QAbstractButton*>(QStringLiteral("saveButton"))->click();
                break;
            default:
                if (random.bounded(3) == 0)
                    config->close();
                break;
            }
        };
        // Clicks during waits: from inside the ticks of either window's wait.
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (random.bounded(4) == 0)
                act();
        });
        connect(&rig.configTicks, &TickSource::tick, this, [&] {
            if (random.bounded(3) == 0)
                act();
        });

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < steps; ++i) {
            act();
            // Let an upload or posted answers move on between the clicks of the test itself.
            QCoreApplication::processEvents();
        }
        if (QPointer<ConfigWindow> config = rig.window->configWindow())
            QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 20000);
        QVERIFY(test::waitsOver(rig.panel));

        qInfo("seed %u: %d clicks, %d during waits; %lld main waits and %lld configuration "
              "waits checked; %lld and %lld bytes on the two ports",
              seed, actions, duringWaits, qlonglong(rig.ticks.ticksPerRun.size()),
              qlonglong(rig.configTicks.ticksPerRun.size()), qlonglong(rig.port.written().size()),
              qlonglong(rig.configPort.written().size()));
        QVERIFY2(clock.elapsed() < 60000, "the clicks took far too long");
        QCOMPARE(writesDuringWaits, 0);
        QVERIFY(rig.panel.gate().isOpen());
        QVERIFY(!rig.ticks.isActive());
        for (int ticks : std::as_const(rig.ticks.ticksPerRun))
            QCOMPARE(ticks, 10);
        // A wait of the configuration window lasts one tick; closing the window ends one early.
        for (int ticks : std::as_const(rig.configTicks.ticksPerRun))
            QVERIFY(ticks == 1 || ticks == 0);
        QVERIFY2(rig.ticks.ticksPerRun.size() > 50, "too few waits to mean anything");
        QVERIFY2(rig.configTicks.ticksPerRun.size() > 50, "too few uploads to mean anything");
        QVERIFY2(duringWaits > 100, "too few clicks during waits");

        const QString mainFault = frameFault(rig.port.written(), kMainCodes);
        QVERIFY2(mainFault.isEmpty(), qPrintable(mainFault));
        const QString configFault = frameFault(rig.configPort.written(), configCodes());
        QVERIFY2(configFault.isEmpty(), qPrintable(configFault));
    }
};

QTEST_MAIN(tst_Monkey)
#include "tst_monkey.moc"
