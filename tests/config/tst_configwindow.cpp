#include "Files.h"
#include "LcdSection.h"
#include "MainWindowRig.h"
#include "config/CharacterEditor.h"
#include "config/DotButton.h"
#include "config/ConfigWindow.h"
#include "config/SetupPreview.h"
#include "settings/ModuleSetupFile.h"
#include "settings/StationFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <QWindow>

using namespace Qt::StringLiterals;
using namespace velnor;

namespace {

const QByteArray kLoadBytes("\xef\x64\x0d"
                            "Config. Mode");

// The configuration window as the main window's menu item opens it, on fakes, over a settings
// file with the given contents; port and ticks are the window's own.
struct Rig : test::MainWindowRig
{
    explicit Rig(const QByteArray& lcd = test::lcdSection()) : MainWindowRig(nullptr)
    {
        test::put(settings.path(), "[Settings]\r\nCommPort=3\r\n" + lcd);
        // The main window read the file before it was there; its port and speed as chosen.
        child<QComboBox>(QStringLiteral("portList"))->setCurrentIndex(2);
        child<QRadioButton>(QStringLiteral("speed4800"))->click();
        child<QAction>(QStringLiteral("configAction"))->trigger();
        config = window->configWindow();
    }

    QLineEdit* bitmapBox(int i) const
    {
        return child<QLineEdit>(QStringLiteral("bitmapByte_%1").arg(i), config);
    }
    QLineEdit* text(int k) const
    {
        return child<QLineEdit>(QStringLiteral("storedText_%1").arg(k), config);
    }
    QComboBox* uid() const { return child<QComboBox>(QStringLiteral("uidList"), config); }
    // The two lines under the boxes: what an upload would do, how the last one went.
    QString note(const char* name) const
    {
        return child<QLabel>(QLatin1String(name), config)->toolTip();
    }
    QString target() const { return child<QLabel>(QStringLiteral("targetNote"), config)->text(); }
    // Clicks "Send Configuration Data" and lets the upload run to its end.
    bool upload() const
    {
        click(QStringLiteral("uploadButton"));
        return !config->isUploading();
    }

    QPointer<ConfigWindow> config;
};

} // namespace

class tst_ConfigWindow final : public QObject
{
    Q_OBJECT

private slots:
    void loadSelectsEveryModuleAndShowsTheSettings()
    {
        Rig rig;
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(rig.configPort.openedPort, 3);
        QCOMPARE(rig.configPort.openedSettings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(rig.uid()->count(), 32);
        QCOMPARE(rig.uid()->currentIndex(), 6);
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("speed9600"), rig.config)->isChecked());
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("startupLine1"), rig.config)->text(),
                 QStringLiteral("Velnor bench"));
        QCOMPARE(rig.text(9)->text(), QStringLiteral("Text 10"));
        QCOMPARE(rig.bitmapBox(63)->text(), QStringLiteral("0"));
        // The note on what an upload would do follows the address and the speed.
        QVERIFY2(rig.target().contains(u"address 107 and 9600 bit/s."_s),
                 qPrintable(rig.target()));
        rig.uid()->setEditText(u"13"_s);
        QVERIFY2(rig.target().contains(u"101 to 132"_s), qPrintable(rig.target()));
        rig.uid()->setEditText(u"132"_s);
        QCOMPARE(rig.uid()->currentIndex(), 31); // typed text equal to an entry selects it
        rig.child<QRadioButton>(u"speed4800"_s, rig.config)->click();
        QVERIFY2(rig.target().contains(u"132 and 4800"_s), qPrintable(rig.target()));
    }

    // An address no entry has shows as typed; a speed other than 9600 reads as 4800.
    void loadShowsAnAddressNoEntryHas()
    {
        Rig rig("[LCD]\nUID=100\nBaud=09600\n");
        QCOMPARE(rig.uid()->currentText(), u"100"_s);
        QCOMPARE(rig.uid()->currentIndex(), -1);
        QVERIFY(rig.child<QRadioButton>(u"speed4800"_s, rig.config)->isChecked());
    }

    // A file's bitmap value longer than a box shows as the byte the upload sends; one the upload
    // refuses stays whole, so the refusal names its box instead of sending its first digits.
    void loadShowsBitmapsAsTheUploadReadsThem()
    {
        Rig rig("[LCD]\nUID=101\nBaud=9600\nCustom1=0255\nCustom2=2.55E2\nCustom3=1234\n");
        QCOMPARE(rig.bitmapBox(0)->text(), u"255"_s);
        QCOMPARE(rig.bitmapBox(1)->text(), u"255"_s);
        QCOMPARE(rig.bitmapBox(2)->text(), u"1234"_s);
        rig.configPort.writes.clear();
        rig.click(u"uploadButton"_s);
        QCOMPARE(rig.config->focusWidget(), rig.bitmapBox(2));
        QVERIFY(rig.configPort.writes.isEmpty());
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
            rig.child<QRadioButton>(u"speed4800"_s, rig.config)->click();
            QTest::keyClicks(rig.bitmapBox(0), u"9"_s);
            midway = rig.note("progressNote");
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
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("startupLine1"), rig.config)->text(),
                 QStringLiteral("Velnor bench    "));
        QCOMPARE(rig.text(0)->text(), QStringLiteral("Text 1          "));
        QCOMPARE(midway, u"Sending: step 5 of 31."_s);
        QCOMPARE(rig.uid()->currentIndex(), 6);
        QVERIFY(rig.child<QRadioButton>(u"speed9600"_s, rig.config)->isChecked());
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

    // A refusal puts the focus on the box to mend, a bitmap box with its text chosen.
    void refusalFocusesTheBoxToMend()
    {
        Rig rig;
        rig.configPort.writes.clear();
        rig.bitmapBox(17)->setText(u"abc"_s);
        rig.click(u"uploadButton"_s);
        QCOMPARE(rig.config->focusWidget(), rig.bitmapBox(17));
        QCOMPARE(rig.bitmapBox(17)->selectedText(), u"abc"_s);
        rig.bitmapBox(17)->setText(u"1"_s);
        rig.uid()->setEditText(u"100"_s);
        rig.click(u"saveButton"_s);
        QVERIFY(rig.uid()->isAncestorOf(rig.config->focusWidget()));
        QCOMPARE(rig.messages.texts.size(), 2);
        QVERIFY(rig.configPort.writes.isEmpty());
    }

    // The upload pads a box to its length limit with blanks; a click into such a box selects
    // them (as Tab does), so typing replaces them instead of going nowhere.
    void boxesOfBlanksTakeTyping()
    {
        Rig rig(test::lcdSection(test::lcdKeys({{u"Line2"_s, QString()}})));
        QVERIFY(rig.upload());
        auto* line1 = rig.child<QLineEdit>(u"startupLine1"_s, rig.config);
        auto* line2 = rig.child<QLineEdit>(u"startupLine2"_s, rig.config);
        QCOMPARE(line2->text(), QString(16, u' '));
        rig.config->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.config.data()));
        line1->setFocus();
        QTest::mouseClick(line2, Qt::LeftButton, {}, line2->rect().center());
        QCOMPARE(QApplication::focusWidget(), line2);
        QTRY_VERIFY(line2->hasSelectedText());
        QTest::keyClicks(line2, u"Hi"_s);
        QCOMPARE(line2->text(), u"Hi"_s);
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
        rig.child<QAbstractButton>(QStringLiteral("uploadButton"), rig.config)->click();
        QTRY_VERIFY(!sent.isEmpty());
        QVERIFY(!rig.configPort.portOpen());
        QVERIFY(rig.configPort.closes > 0);
        QVERIFY(rig.panel.gate().isOpen());
        QVERIFY(!rig.configTicks.isActive());
        QCOMPARE(rig.configPort.written(), sent);
    }

    void editorDotsFollowTheBoxesBothWays()
    {
        Rig rig;
        auto* editor = rig.child<CharacterEditor>(QStringLiteral("CharacterEditor"), rig.config);
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

    // The preview shows what the upload would send, keystroke by keystroke and dot by dot; a
    // custom character whose box the upload refuses is drawn as not known and named.
    void previewFollowsTheBoxesAndTheDots()
    {
        Rig rig;
        auto* preview = rig.child<SetupPreview>(u"setupPreview"_s, rig.config);
        QVERIFY(preview);
        rig.text(3)->setText(u"Pump \u00fe on"_s);
        QCOMPARE(preview->line(5), "Pump ? on       "_ba);
        rig.config->show();
        rig.config->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.config.data()));
        rig.bitmapBox(17)->setFocus(); // brings CHAR 3 up in the dot editor
        rig.bitmapBox(17)->setText(u"x"_s);
        QVERIFY(preview->refused(2) && !preview->refused(1));
        QCOMPARE(preview->refusalNote(),
                 u"Not sent as it stands: CHAR 3, Byte 2 holds no number from 0 to 255."_s);
        rig.child<CharacterEditor>(u"CharacterEditor"_s, rig.config)->dot(1, 4)->click();
        QVERIFY(!preview->refused(2));
        QVERIFY(preview->refusalNote().isEmpty());
        rig.child<QComboBox>(u"uidList"_s, rig.config)->setEditText(u"99"_s);
        QCOMPARE(preview->refusalNote(),
                 u"Not sent as it stands: the address box holds none of 101 to 132."_s);
    }

    // Opening the window takes every module over: the main window counts none as selected, as
    // after a deselect, and broadcast mode is off.
    void openingTheWindowEndsTheSelection_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("a module selected") << "selectButton";
        QTest::newRow("broadcast mode") << "broadcastBox";
    }

    void openingTheWindowEndsTheSelection()
    {
        QFETCH(QString, before);
        const QByteArray ini("[LCD]\r\nUID=105\r\n");
        test::MainWindowRig rig(&ini);
        rig.port.answer("\x69", "\xee\x69");
        rig.click(before);
        QVERIFY(rig.child<QWidget>(u"outputGroup"_s)->isEnabled());
        rig.child<QAction>(u"configAction"_s)->trigger();
        QCOMPARE(rig.status(), u"Disconnected"_s);
        QVERIFY(!rig.child<QAbstractButton>(u"broadcastBox"_s)->isChecked());
        for (const char* open : {"addressGroup", "selectButton"})
            QVERIFY2(rig.child<QWidget>(QLatin1String(open))->isEnabled(), open);
        for (const char* closed : {"deselectButton", "textGroup", "customCharGroup",
                                   "backlightGroup", "inputGroup", "cursorGroup", "outputGroup"})
            QVERIFY2(!rig.child<QWidget>(QLatin1String(closed))->isEnabled(), closed);
        QCOMPARE(rig.child<QComboBox>(u"addressList"_s)->currentText(), u"105"_s);
    }

    // A station file replaces the boxes only when it is taken whole; the title names it and
    // marks, as the boxes do in bold, what changed since it was opened or saved.
    void stationFilesOpenSaveAndMarkChanges()
    {
        Rig rig;
        QTemporaryDir dir;
        const QString station = dir.filePath(u"line 4.ini"_s);
        const QString bad = dir.filePath(u"bad.ini"_s);
        QVERIFY(test::put(station, test::lcdSection(test::lcdKeys({{u"UID"_s, u"103"_s}}))));
        QVERIFY(test::put(bad, test::lcdSection(test::lcdKeys({{u"Custom9"_s, u"-1"_s}}))));
        StationFileControls& files = rig.config->stationFiles();
        rig.text(0)->setText(u"typed"_s);
        QVERIFY(rig.config->isWindowModified());
        QVERIFY(rig.text(0)->font().bold());

        QVERIFY(!files.openFile(bad));
        QCOMPARE(rig.messages.details.value(0).left(bad.size() + 13), bad + u": key Custom9"_s);
        QCOMPARE(rig.text(0)->text(), u"typed"_s);
        QCOMPARE(rig.bitmapBox(8)->text(), u"9"_s);

        QVERIFY(files.openFile(station));
        QCOMPARE(rig.uid()->currentText(), u"103"_s);
        QCOMPARE(rig.text(0)->text(), u"Text 1"_s);
        QVERIFY(rig.config->windowTitle().contains(u"line 4.ini"_s));
        QVERIFY(!rig.config->isWindowModified());
        QVERIFY(!rig.text(0)->font().bold());
        // An upload fills the texts out with blanks: no change the modules would show.
        QVERIFY(rig.upload());
        QVERIFY(!rig.config->isWindowModified());
        rig.bitmapBox(63)->setText(u"7"_s);
        QVERIFY(rig.bitmapBox(63)->font().bold() && rig.config->isWindowModified());

        const QString copy = dir.filePath(u"copy.ini"_s);
        QVERIFY(files.saveFile(copy));
        QVERIFY(!rig.bitmapBox(63)->font().bold() && !rig.config->isWindowModified());
        QVERIFY(rig.config->windowTitle().contains(u"copy.ini"_s));
        QCOMPARE(loadModuleSetup(IniFile(copy)), rig.config->setup());
        QCOMPARE(StationFile::recent(rig.settings), QStringList({copy, station}));
    }

    // The configuration window as the main window's menu item opens it: the main window lets
    // go of its port and its module each time.
    void oneWindowForTheWholeRun()
    {
        const QByteArray ini =
            "[Settings]\r\nCommPort=2\r\nSetting=9600,n,8,1\r\n" + test::lcdSection();
        test::MainWindowRig rig(&ini);
        auto* menu = rig.child<QAction>(QStringLiteral("configAction"));
        rig.window->show();
        rig.port.setPortOpen(true);
        menu->trigger();
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.status(), QStringLiteral("Disconnected"));
        QPointer<ConfigWindow> first = rig.window->configWindow();
        QVERIFY(first && first->isVisible());
        // A tool window of the main window: it stays in front of it.
        QVERIFY(first->windowFlags().testFlag(Qt::Tool));
        QVERIFY(rig.window->windowHandle());
        QCOMPARE(first->windowHandle()->transientParent(), rig.window->windowHandle());
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(rig.configPort.openedPort, 2);

        first->findChild<QLineEdit*>(QStringLiteral("startupLine1"))
            ->setText(QStringLiteral("edited"));
        rig.child<QLabel>(QStringLiteral("statusText"))->setText(QStringLiteral("x"));
        rig.port.setPortOpen(true);
        menu->trigger(); // brought forward, not loaded again
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.status(), QStringLiteral("Disconnected"));
        QCOMPARE(rig.window->configWindow(), first.data());
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(first->findChild<QLineEdit*>(QStringLiteral("startupLine1"))->text(),
                 QStringLiteral("edited"));

        first->close();
        QTRY_VERIFY(first.isNull());
        QVERIFY(!rig.configPort.portOpen());
        menu->trigger(); // loaded afresh
        QCOMPARE(rig.configPort.written(), kLoadBytes + kLoadBytes);
        QCOMPARE(rig.window->configWindow()
                     ->findChild<QLineEdit*>(QStringLiteral("startupLine1"))
                     ->text(),
                 QStringLiteral("Velnor bench"));
    }
};

QTEST_MAIN(tst_ConfigWindow)
#include "tst_configwindow.moc"
