#include "Files.h"
#include "MainWindowRig.h"
#include "config/CharacterEditor.h"
#include "config/DotButton.h"
#include "config/frmConfigLcd.h"
#include "protocol/UploadPlan.h"
#include "settings/ModuleSetupFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::contents;

namespace {

const QString kPortMessage = QStringLiteral("SELECTED PORT NOT AVAILABLE!");
const QByteArray kLoadBytes("\xef\x64\x0d"
                            "Config. Mode");

QByteArray fullLcdSection()
{
    QByteArray lcd = "[LCD]\r\nUID=107\r\nBaud=9600\r\nLine1=Velnor bench\r\nLine2=Line two\r\n";
    for (int k = 1; k <= 10; ++k)
        lcd += "PT" + QByteArray::number(k) + "=Text " + QByteArray::number(k) + "\r\n";
    for (int n = 1; n <= 64; ++n)
        lcd += "Custom" + QByteArray::number(n) + '=' + QByteArray::number(n % 32) + "\r\n";
    return lcd;
}

// The configuration window as the main window's menu item opens it, on fakes, over a settings
// file with the given contents; port and ticks are the window's own.
struct Rig : test::MainWindowRig
{
    explicit Rig(const QByteArray& lcd = fullLcdSection(), bool portRefuses = false)
        : MainWindowRig(nullptr)
    {
        test::put(settings.path(), "[Settings]\r\nCommPort=3\r\n" + lcd);
        // The main window read the file before it was there; its port and speed as chosen.
        MainWindowRig::child<QComboBox>(QStringLiteral("cboComm"))->setCurrentIndex(2);
        MainWindowRig::child<QRadioButton>(QStringLiteral("opt4800"))->click();
        configPort.refuseOpen = portRefuses;
        MainWindowRig::child<QAction>(QStringLiteral("mnuConfig"))->trigger();
        config = window->configWindow();
    }

    // Both windows have speed options of the same names: this window's first.
    template <typename T = QWidget> T* child(const QString& name) const
    {
        return config->findChild<T*>(name);
    }

    QLineEdit* bitmapBox(int i) const
    {
        return child<QLineEdit>(QStringLiteral("txtCustom_%1").arg(i));
    }
    QLineEdit* text(int k) const
    {
        return child<QLineEdit>(QStringLiteral("txtPreDefine_%1").arg(k));
    }
    QComboBox* uid() const { return child<QComboBox>(QStringLiteral("cboUID")); }
    // The two lines under the boxes: what an upload would do, how the last one went.
    QString note(const char* name) const { return child<QLabel>(QLatin1String(name))->toolTip(); }
    QString target() const { return child<QLabel>(QStringLiteral("lblTarget"))->text(); }
    // Clicks "Send Configuration Data" and lets the upload run to its end.
    bool upload() const
    {
        click(QStringLiteral("cmdConLcd"));
        return !config->isUploading();
    }

    QPointer<frmConfigLcd> config;
};

} // namespace

class tst_frmConfigLcd final : public QObject
{
    Q_OBJECT

private slots:
    void loadSelectsEveryModuleAndShowsTheSettings()
    {
        Rig rig;
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(rig.configPort.openedPort, 3);
        QCOMPARE(rig.configPort.openedSettings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(rig.vars.PortNumber, QStringLiteral("3"));
        QCOMPARE(rig.uid()->count(), 32);
        QCOMPARE(rig.uid()->currentIndex(), 6);
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("opt9600"))->isChecked());
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("txtSU1"))->text(),
                 QStringLiteral("Velnor bench"));
        QCOMPARE(rig.text(9)->text(), QStringLiteral("Text 10"));
        QCOMPARE(rig.bitmapBox(63)->text(), QStringLiteral("0"));
        QVERIFY(rig.messages.texts.isEmpty());
        QVERIFY2(rig.target().contains(u"every module"_s) &&
                     rig.target().contains(u"107 and 9600"_s),
                 qPrintable(rig.target()));
        rig.uid()->setEditText(u"13"_s);
        QVERIFY2(rig.target().contains(u"101 to 132"_s), qPrintable(rig.target()));
        rig.uid()->setEditText(u"132"_s);
        QCOMPARE(rig.uid()->currentIndex(), 31); // typed text equal to an entry selects it
        rig.child<QRadioButton>(u"opt4800"_s)->click();
        QVERIFY2(rig.target().contains(u"132 and 4800"_s), qPrintable(rig.target()));
    }

    // An address no entry has shows as typed; a speed other than 9600 reads as 4800. (How the
    // file is read is ModuleSetup's table.)
    void loadTakesWhatTheFileHolds_data()
    {
        QTest::addColumn<QByteArray>("lcd");
        QTest::addColumn<QString>("uid");
        QTest::newRow("no section") << QByteArray() << QString();
        QTest::newRow("broadcast address and odd speed")
            << QByteArray("[LCD]\nUID=100\nBaud=09600\n") << QStringLiteral("100");
    }

    void loadTakesWhatTheFileHolds()
    {
        QFETCH(QByteArray, lcd);
        QFETCH(QString, uid);
        Rig rig(lcd);
        QCOMPARE(rig.uid()->currentText(), uid);
        QCOMPARE(rig.uid()->currentIndex(), -1);
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("opt4800"))->isChecked());
        QCOMPARE(rig.configPort.written(), kLoadBytes);
    }

    void aBusyPortIsReportedByBothLoadSends()
    {
        Rig rig(fullLcdSection(), true);
        QCOMPARE(rig.messages.texts, QStringList({kPortMessage, kPortMessage}));
        QCOMPARE(rig.text(0)->text(), QStringLiteral("Text 1"));
    }

    void uploadSendsThePlanAndFillsTheBoxes()
    {
        Rig rig;
        rig.configPort.writes.clear();
        // Mid-upload the address and speed are held like the boxes: what a save keeps must be
        // what was sent.
        QString midway;
        connect(&rig.configTicks, &TickSource::tick, this, [&] {
            if (rig.configTicks.ticksEmitted != 2)
                return;
            QTest::keyClick(rig.uid(), Qt::Key_Down);
            rig.child<QRadioButton>(u"opt4800"_s)->click();
            QTest::keyClicks(rig.bitmapBox(0), u"9"_s);
            midway = rig.note("lblProgress");
        });
        QVERIFY(rig.upload());
        const QByteArray sent = rig.configPort.written();
        QCOMPARE(sent.size(), 314);
        QVERIFY(sent.startsWith("\x0c"
                                "Configuring..\xfe\x1e\xfe\x30\x6b\xfe\xc8"
                                "Velnor bench    Line two        \xfe\x64\x01\x02"));
        QVERIFY(sent.endsWith("\xfe\x6e"
                              "Text 10         \xfe\x2d\x01"
                              "Completed\xea"));
        QCOMPARE(rig.configTicks.ticksPerRun, QList<int>(14, 1));
        QVERIFY(rig.panel.gate().isOpen());
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("txtSU1"))->text(),
                 QStringLiteral("Velnor bench    "));
        QCOMPARE(rig.text(0)->text(), QStringLiteral("Text 1          "));
        QCOMPARE(midway, u"Sending: step 5 of 31."_s);
        QCOMPARE(rig.note("lblProgress"),
                 u"Upload complete: all 31 steps sent. Save keeps it in the modules' memory."_s);
        QCOMPARE(rig.uid()->currentIndex(), 6);
        QVERIFY(rig.child<QRadioButton>(u"opt9600"_s)->isChecked());
        QCOMPARE(rig.bitmapBox(0)->text(), u"1"_s);
        QTest::keyClick(rig.uid(), Qt::Key_Down); // held no longer
        QCOMPARE(rig.uid()->currentIndex(), 7);
        rig.uid()->setCurrentIndex(6);
        QVERIFY(!rig.text(0)->isReadOnly());

        // A second upload sends the same bytes again, with no select between.
        rig.configPort.writes.clear();
        QVERIFY(rig.upload());
        QCOMPARE(rig.configPort.written(), sent);
    }

    // A port that fails ends the upload at once, with one message; the boxes open again.
    void failedUploadStopsWithOneMessage_data()
    {
        QTest::addColumn<int>("failWritesAfter"); // 0: the port will not open
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("stepsSent");
        QTest::newRow("port will not open") << 0 << 0 << 0;
        QTest::newRow("write fails after the baud frame") << 3 << 1 << 2;
    }

    void failedUploadStopsWithOneMessage()
    {
        QFETCH(int, failWritesAfter);
        QFETCH(int, ticks);
        QFETCH(int, stepsSent);
        Rig rig;
        rig.configPort.writes.clear();
        rig.configPort.setPortOpen(false);
        rig.configPort.refuseOpen = failWritesAfter == 0;
        rig.configPort.failWritesAfter = failWritesAfter;
        QVERIFY(rig.upload());
        QCOMPARE(rig.messages.texts, QStringList{kPortMessage});
        QCOMPARE(rig.configTicks.ticksEmitted, ticks);
        QCOMPARE(rig.note("lblProgress"), u"Upload stopped after step %1 of 31."_s.arg(stepsSent));
        QVERIFY(rig.panel.gate().isOpen());
        QVERIFY(!rig.text(0)->isReadOnly());
    }

    // Refused, an upload or save sends nothing, fills no box and writes no setting.
    void refusals_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("bitmap");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        const auto row = [](const char* button, const char* uid, const char* bitmap,
                            const char* message, const char* detail) {
            QTest::addRow("%s %s %s", button, uid, bitmap)
                << button << uid << bitmap << message << detail;
        };
        const char* noAddress = "Please Select a Device Address from 101 to 132";
        const char* noNumber = "Please Enter Numeric Value 0 to 255 in the bitmap field";
        row("cmdConLcd", "107", "abc", noNumber, "CHAR 3, Byte 2 holds \"abc\".");
        row("cmdConLcd", "99", "1", noAddress, "");
        row("cmdSaveFlash", "100", "1", noAddress, "");
        // A save keeps only what the upload would send.
        row("cmdSaveFlash", "107", "300", noNumber, "CHAR 3, Byte 2 holds \"300\".");
        row("cmdSaveFlash", "107", "", noNumber, "CHAR 3, Byte 2 is empty.");
    }

    void refusals()
    {
        QFETCH(QString, button);
        QFETCH(QString, uid);
        QFETCH(QString, bitmap);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        Rig rig;
        rig.configPort.writes.clear();
        const QByteArray settings = contents(rig.settings.path());
        rig.uid()->setEditText(uid);
        rig.bitmapBox(17)->setText(bitmap);
        rig.text(3)->setText(QStringLiteral("short"));
        rig.child<QAbstractButton>(button)->click();
        QCOMPARE(rig.messages.texts, QStringList{message});
        QCOMPARE(rig.messages.details, QStringList{detail});
        // The focus is on what to mend.
        QWidget* culprit = detail.isEmpty() ? static_cast<QWidget*>(rig.uid()) : rig.bitmapBox(17);
        QWidget* focused = rig.config->focusWidget();
        QVERIFY(focused == culprit || culprit->isAncestorOf(focused));
        QVERIFY(rig.configPort.writes.isEmpty());
        QVERIFY(!rig.config->isUploading());
        QCOMPARE(rig.text(3)->text(), QStringLiteral("short"));
        QCOMPARE(contents(rig.settings.path()), settings);
    }

    void closingDuringAnUploadEndsItAndReleasesThePort()
    {
        Rig rig;
        rig.configPort.writes.clear();
        QByteArray sent;
        connect(&rig.configTicks, &TickSource::tick, this, [&] {
            if (rig.configTicks.ticksEmitted != 3)
                return;
            sent = rig.configPort.written();
            QTest::keyClick(rig.bitmapBox(0), Qt::Key_Escape); // closes and deletes it
        });
        rig.child<QAbstractButton>(QStringLiteral("cmdConLcd"))->click();
        QTRY_VERIFY(!sent.isEmpty());
        QVERIFY(!rig.configPort.portOpen());
        QVERIFY(rig.configPort.closes > 0);
        QVERIFY(rig.panel.gate().isOpen());
        QVERIFY(!rig.configTicks.isActive());
        QCOMPARE(rig.configPort.written(), sent);
    }

    void saveSendsTheStoreFrameThenWritesEveryKey()
    {
        Rig rig;
        rig.configPort.writes.clear();
        rig.child<QRadioButton>(QStringLiteral("opt4800"))->setChecked(true);
        rig.text(0)->setText(QStringLiteral("changed"));
        // Each bitmap as the byte the upload sends for it.
        rig.bitmapBox(5)->setText(u"1e2"_s);
        rig.bitmapBox(6)->setText(u" 0 "_s);
        rig.click(QStringLiteral("cmdSaveFlash"));
        QCOMPARE(rig.configPort.written(), QByteArray("\xef\x64\xfe\x20"));
        QVERIFY(rig.messages.texts.isEmpty());
        ModuleSetup expected = rig.config->setup();
        expected.bitmaps[5] = u"100"_s;
        expected.bitmaps[6] = u"0"_s;
        QCOMPARE(loadModuleSetup(rig.settings), expected);
        QCOMPARE(rig.note("lblProgress"),
                 u"Store command sent to every module; settings written to %1."_s.arg(
                     QDir::toNativeSeparators(rig.settings.path())));
        QCOMPARE(rig.settings.ReadIni(QStringLiteral("LCD"), QStringLiteral("Baud")),
                 QStringLiteral("4800"));
        QVERIFY(contents(rig.settings.path()).startsWith("[Settings]\r\nCommPort=3\r\n[LCD]\r\n"));
    }

    void aFailedSettingsWriteIsReportedOnceWithThePath()
    {
        Rig rig;
        // The file replaced by a folder: no write can succeed, whoever runs the test.
        QVERIFY(QFile::remove(rig.settings.path()));
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("velnor.ini")));
        rig.configPort.refuseOpen = true;
        rig.configPort.setPortOpen(false);
        rig.click(QStringLiteral("cmdSaveFlash"));
        QCOMPARE(rig.messages.texts, QStringList({kPortMessage, frmConfigLcd::kSettingsNotSaved}));
        QVERIFY2(
            rig.messages.details.last().contains(QDir::toNativeSeparators(rig.settings.path())),
            qPrintable(rig.messages.details.last()));
        QVERIFY(rig.messages.details.last().contains(QLatin1String("78 of 78")));
        QVERIFY2(rig.note("lblProgress").startsWith(u"Store command not sent"_s) &&
                     rig.note("lblProgress").contains(u"NOT written"_s),
                 qPrintable(rig.note("lblProgress")));
    }

    void editorDotsFollowTheBoxesBothWays()
    {
        Rig rig;
        auto* editor = rig.child<CharacterEditor>(QStringLiteral("CharacterEditor"));
        rig.config->show();
        rig.config->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.config.data()));
        rig.bitmapBox(16)->setFocus(); // a box of CHAR 3 brings CHAR 3 up
        QCOMPARE(editor->character(), 2);
        rig.bitmapBox(16)->setText(QStringLiteral("235")); // 111 01011: bit 4 is the left dot
        QString lit;
        for (int c = 0; c < 5; ++c)
            lit += editor->dot(0, c)->isChecked() ? QLatin1Char('#') : QLatin1Char('.');
        QCOMPARE(lit, QStringLiteral(".#.##"));

        editor->dot(0, 0)->click(); // bit 4 on; bits 5-7 kept
        QCOMPARE(rig.bitmapBox(16)->text(), QStringLiteral("251"));
        editor->dot(0, 4)->click(); // bit 0 off
        QCOMPARE(rig.bitmapBox(16)->text(), QStringLiteral("250"));

        rig.bitmapBox(17)->setText(QStringLiteral("x"));
        QVERIFY(editor->dot(1, 0)->isUnknown());
        editor->dot(1, 4)->click(); // an unknown row starts from no dots
        QCOMPARE(rig.bitmapBox(17)->text(), QStringLiteral("1"));
        QVERIFY(!editor->dot(1, 0)->isUnknown());

        // By keyboard: arrows move between dots, Space switches one.
        rig.bitmapBox(18)->setText(QStringLiteral("0"));
        editor->dot(2, 2)->setFocus();
        QTest::keyClick(editor->dot(2, 2), Qt::Key_Right);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(rig.bitmapBox(18)->text(), QStringLiteral("2"));
        QCOMPARE(editor->dot(2, 3)->accessibleName(), QStringLiteral("CHAR 3 row 3 dot 4"));
    }

    // Opening the window takes every module over: the main window counts none as selected, as
    // after a deselect, and broadcast mode is off.
    void openingTheWindowEndsTheSelection_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("a module selected") << "cmdSelect";
        QTest::newRow("broadcast mode") << "Check1";
    }

    void openingTheWindowEndsTheSelection()
    {
        QFETCH(QString, before);
        const QByteArray ini("[LCD]\r\nUID=105\r\n");
        test::MainWindowRig rig(&ini);
        rig.answer("\x69", "\xee\x69");
        rig.click(before);
        QVERIFY(rig.child<QWidget>(u"Output"_s)->isEnabled());
        rig.child<QAction>(u"mnuConfig"_s)->trigger();
        QCOMPARE(rig.status(), u"Disconnected"_s);
        QVERIFY(!rig.child<QAbstractButton>(u"Check1"_s)->isChecked());
        for (const char* open : {"Frame3", "cmdSelect"})
            QVERIFY2(rig.child<QWidget>(QLatin1String(open))->isEnabled(), open);
        for (const char* closed : {"cmdDeselect", "PrintText", "CustomChar", "Backlight",
                                   "InputStatus", "CurControl", "Output"})
            QVERIFY2(!rig.child<QWidget>(QLatin1String(closed))->isEnabled(), closed);
        QCOMPARE(rig.child<QComboBox>(u"cboAddr"_s)->currentText(), u"105"_s);
    }

    // The configuration window as the main window's menu item opens it: the main window lets
    // go of its port and its module each time.
    void oneWindowForTheWholeRun()
    {
        const QByteArray ini =
            "[Settings]\r\nCommPort=2\r\nSetting=9600,n,8,1\r\n" + fullLcdSection();
        test::MainWindowRig rig(&ini);
        auto* menu = rig.child<QAction>(QStringLiteral("mnuConfig"));
        rig.window->show();
        rig.panel.link().SendFrame(0);
        menu->trigger();
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.status(), QStringLiteral("Disconnected"));
        QPointer<frmConfigLcd> first = rig.window->configWindow();
        QVERIFY(first && first->isVisible());
        // A tool window of the main window: it stays in front of it.
        QVERIFY(first->windowFlags().testFlag(Qt::Tool));
        QVERIFY(rig.window->windowHandle());
        QCOMPARE(first->windowHandle()->transientParent(), rig.window->windowHandle());
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(rig.configPort.openedPort, 2);

        first->findChild<QLineEdit*>(QStringLiteral("txtSU1"))->setText(QStringLiteral("edited"));
        rig.child<QLabel>(QStringLiteral("StatusBar1Panel1"))->setText(QStringLiteral("x"));
        rig.panel.link().SendFrame(0);
        menu->trigger(); // brought forward, not loaded again
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.status(), QStringLiteral("Disconnected"));
        QCOMPARE(rig.window->configWindow(), first.data());
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(first->findChild<QLineEdit*>(QStringLiteral("txtSU1"))->text(),
                 QStringLiteral("edited"));

        first->close();
        QTRY_VERIFY(first.isNull());
        QVERIFY(!rig.configPort.portOpen());
        menu->trigger(); // loaded afresh
        QCOMPARE(rig.configPort.written(), kLoadBytes + kLoadBytes);
        QCOMPARE(
            rig.window->configWindow()->findChild<QLineEdit*>(QStringLiteral("txtSU1"))->text(),
            QStringLiteral("Velnor bench"));
    }
};

QTEST_MAIN(tst_frmConfigLcd)
#include "tst_frmconfiglcd.moc"
