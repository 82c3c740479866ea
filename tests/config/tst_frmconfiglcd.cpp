#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "Files.h"
#include "MainWindowRig.h"
#include "config/CharacterEditor.h"
#include "config/DotButton.h"
#include "config/frmConfigLcd.h"
#include "protocol/UploadPlan.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velnor;
using velnor::test::contents;
using velnor::test::FakeMessageSink;
using velnor::test::FakeSerialPort;
using velnor::test::FakeTickSource;

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

// The configuration window on fakes, opened on a settings file with the given contents.
struct Rig
{
    explicit Rig(const QByteArray& ini = fullLcdSection(), bool portRefuses = false)
        : settings(dir.filePath(QStringLiteral("velnor.ini")))
    {
        test::put(settings.path(), "[Settings]\r\nCommPort=3\r\n" + ini);
        vars.PortSettings = QStringLiteral("4800,n,8,1");
        port.refuseOpen = portRefuses;
        window = std::make_unique<frmConfigLcd>(vars, port, ticks, messages, settings, 2);
    }

    template <typename T = QWidget> T* child(const QString& name) const
    {
        return window->findChild<T*>(name);
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
    void click(const char* name) const { child<QAbstractButton>(QLatin1String(name))->click(); }
    // Clicks "Send Configuration Data" and lets the upload run to its end.
    bool upload()
    {
        click("cmdConLcd");
        return QTest::qWaitFor([this] { return !window->isUploading(); }, 5000);
    }

    QTemporaryDir dir;
    IniFile settings;
    Variables vars;
    FakeSerialPort port;
    FakeTickSource ticks;
    FakeMessageSink messages;
    std::unique_ptr<frmConfigLcd> window;
};

} // namespace

class tst_frmConfigLcd final : public QObject
{
    Q_OBJECT

private slots:
    void loadSelectsEveryModuleAndShowsTheSettings()
    {
        Rig rig;
        QCOMPARE(rig.port.written(), kLoadBytes);
        QCOMPARE(rig.port.openedPort, 3);
        QCOMPARE(rig.port.openedSettings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(rig.vars.PortNumber, QStringLiteral("3"));
        QCOMPARE(rig.uid()->count(), 32);
        QCOMPARE(rig.uid()->currentIndex(), 6);
        QVERIFY(rig.child<QRadioButton>(QStringLiteral("opt9600"))->isChecked());
        QCOMPARE(rig.child<QLineEdit>(QStringLiteral("txtSU1"))->text(),
                 QStringLiteral("Velnor bench"));
        QCOMPARE(rig.text(9)->text(), QStringLiteral("Text 10"));
        QCOMPARE(rig.bitmapBox(63)->text(), QStringLiteral("0"));
        QVERIFY(rig.messages.texts.isEmpty());
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
        QCOMPARE(rig.port.written(), kLoadBytes);
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
        rig.port.writes.clear();
        const ModuleSetup before = rig.window->setup();
        const auto plan = std::get<QList<UploadStep>>(planUpload(before));
        QByteArray expected;
        for (const UploadStep& step : plan)
            expected += step.bytes;

        QVERIFY(rig.upload());
        QCOMPARE(rig.port.written(), expected);
        QCOMPARE(rig.ticks.ticksEmitted, 14);
        QVERIFY(!rig.ticks.isActive());
        QCOMPARE(rig.vars.WaitsRunning, 0);
        QCOMPARE(rig.window->setup(), applyFills(before, plan));
        QCOMPARE(rig.text(0)->text(), QStringLiteral("Text 1          "));
        QVERIFY(!rig.text(0)->isReadOnly());

        // A second upload sends the same bytes again, with no select between.
        rig.port.writes.clear();
        QVERIFY(rig.upload());
        QCOMPARE(rig.port.written(), expected);
    }

    // A port that fails ends the upload at once, with one message; the boxes open again.
    void failedUploadStopsWithOneMessage_data()
    {
        QTest::addColumn<int>("failWritesAfter"); // 0: the port will not open
        QTest::addColumn<int>("ticks");
        QTest::newRow("port will not open") << 0 << 0;
        QTest::newRow("write fails after the baud frame") << 3 << 1;
    }

    void failedUploadStopsWithOneMessage()
    {
        QFETCH(int, failWritesAfter);
        QFETCH(int, ticks);
        Rig rig;
        rig.port.writes.clear();
        rig.port.setPortOpen(false);
        rig.port.refuseOpen = failWritesAfter == 0;
        rig.port.failWritesAfter = failWritesAfter;
        QVERIFY(rig.upload());
        QCOMPARE(rig.messages.texts, QStringList{kPortMessage});
        QCOMPARE(rig.ticks.ticksEmitted, ticks);
        QCOMPARE(rig.vars.WaitsRunning, 0);
        QVERIFY(!rig.text(0)->isReadOnly());
    }

    // Refused, an upload or save sends nothing, fills no box and writes no setting.
    void refusals_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("bitmap");
        QTest::addColumn<QString>("message");
        const QString noAddress = QStringLiteral("Please Select a Device Address from 101 to 132");
        QTest::newRow("upload, word in a bitmap box")
            << QStringLiteral("cmdConLcd") << QStringLiteral("107") << QStringLiteral("abc")
            << QStringLiteral("Please Enter Numeric Value 0 to 255 in the bitmap field");
        QTest::newRow("upload, no address entry")
            << QStringLiteral("cmdConLcd") << QStringLiteral("99") << QStringLiteral("1")
            << noAddress;
        QTest::newRow("save, broadcast address")
            << QStringLiteral("cmdSaveFlash") << QStringLiteral("100") << QStringLiteral("1")
            << noAddress;
    }

    void refusals()
    {
        QFETCH(QString, button);
        QFETCH(QString, uid);
        QFETCH(QString, bitmap);
        QFETCH(QString, message);
        Rig rig;
        rig.port.writes.clear();
        const QByteArray settings = contents(rig.settings.path());
        rig.uid()->setEditText(uid);
        rig.bitmapBox(17)->setText(bitmap);
        rig.text(3)->setText(QStringLiteral("short"));
        rig.child<QAbstractButton>(button)->click();
        QCOMPARE(rig.messages.texts, QStringList{message});
        QVERIFY(rig.port.writes.isEmpty());
        QVERIFY(!rig.window->isUploading());
        QCOMPARE(rig.text(3)->text(), QStringLiteral("short"));
        QCOMPARE(contents(rig.settings.path()), settings);
    }

    void typedAddressEqualToAnEntrySelectsIt()
    {
        Rig rig;
        rig.uid()->setEditText(QStringLiteral("132"));
        QCOMPARE(rig.uid()->currentIndex(), 31);
        rig.port.writes.clear();
        QVERIFY(rig.upload());
        QVERIFY(rig.port.written().contains("\xfe\x30\x84"));
    }

    void closingDuringAnUploadEndsItAndReleasesThePort()
    {
        Rig rig;
        rig.port.writes.clear();
        QByteArray sent;
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (rig.ticks.ticksEmitted != 3)
                return;
            sent = rig.port.written();
            rig.window.release()->close(); // deletes itself
        });
        rig.click("cmdConLcd");
        QTRY_VERIFY(!sent.isEmpty());
        QVERIFY(!rig.port.portOpen());
        QVERIFY(rig.port.closes > 0);
        QVERIFY(rig.vars.WaitsRunning == 0);
        QVERIFY(!rig.ticks.isActive());
        QCOMPARE(rig.port.written(), sent);
    }

    void saveSendsTheStoreFrameThenWritesEveryKey()
    {
        Rig rig;
        rig.port.writes.clear();
        rig.child<QRadioButton>(QStringLiteral("opt4800"))->setChecked(true);
        rig.text(0)->setText(QStringLiteral("changed"));
        rig.bitmapBox(5)->setText(QStringLiteral("31"));
        rig.click("cmdSaveFlash");
        QCOMPARE(rig.port.written(), QByteArray("\xef\x64\xfe\x20"));
        QVERIFY(rig.messages.texts.isEmpty());
        const ModuleSetup saved = ModuleSetup::load(rig.settings);
        QCOMPARE(saved, rig.window->setup());
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
        rig.port.refuseOpen = true;
        rig.port.setPortOpen(false);
        rig.click("cmdSaveFlash");
        QCOMPARE(rig.messages.texts, QStringList({kPortMessage, frmConfigLcd::kSettingsNotSaved}));
        QVERIFY2(
            rig.messages.details.last().contains(QDir::toNativeSeparators(rig.settings.path())),
            qPrintable(rig.messages.details.last()));
        QVERIFY(rig.messages.details.last().contains(QLatin1String("78 of 78")));
    }

    void editorDotsFollowTheBoxesBothWays()
    {
        Rig rig;
        auto* editor = rig.child<CharacterEditor>(QStringLiteral("CharacterEditor"));
        rig.window->show();
        rig.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
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

    // The configuration window as the main window's menu item opens it: the main window lets
    // go of its port and its module each time.
    void oneWindowForTheWholeRun()
    {
        const QByteArray ini =
            "[Settings]\r\nCommPort=2\r\nSetting=9600,n,8,1\r\n" + fullLcdSection();
        test::MainWindowRig rig(&ini);
        auto* menu = rig.child<QAction>(QStringLiteral("mnuConfig"));
        rig.window->link().SendFrame(0);
        menu->trigger();
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.status(), QStringLiteral("Disconnected"));
        QPointer<frmConfigLcd> first = rig.window->configWindow();
        QVERIFY(first && first->isVisible());
        QCOMPARE(rig.configPort.written(), kLoadBytes);
        QCOMPARE(rig.configPort.openedPort, 2);

        first->findChild<QLineEdit*>(QStringLiteral("txtSU1"))->setText(QStringLiteral("edited"));
        rig.child<QLabel>(QStringLiteral("StatusBar1Panel1"))->setText(QStringLiteral("x"));
        rig.window->link().SendFrame(0);
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

    void clicksOnEitherWindowDuringAnUploadAreDropped()
    {
        const QByteArray ini =
            "[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n" + fullLcdSection();
        test::MainWindowRig rig(&ini);
        rig.child<QAction>(QStringLiteral("mnuConfig"))->trigger();
        frmConfigLcd* config = rig.window->configWindow();
        auto* upload = config->findChild<QAbstractButton*>(QStringLiteral("cmdConLcd"));
        auto* save = config->findChild<QAbstractButton*>(QStringLiteral("cmdSaveFlash"));
        rig.configPort.writes.clear();
        upload->click();
        QVERIFY(config->isUploading());
        rig.child<QAbstractButton>(QStringLiteral("cmdSelect"))->click();
        upload->click();
        save->click();
        QTRY_VERIFY(!config->isUploading());
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.configPort.written().size(), 314);
        QCOMPARE(rig.configTicks.ticksEmitted, 14);
        QCOMPARE(rig.ticks.ticksEmitted, 0);

        // Nor does an upload start while the main window waits for an answer.
        rig.configPort.writes.clear();
        connect(&rig.ticks, &TickSource::tick, config, [&] {
            upload->click();
            save->click();
        });
        rig.child<QAbstractButton>(QStringLiteral("cmdSelect"))->click();
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QVERIFY(!config->isUploading());
        QVERIFY(rig.configPort.writes.isEmpty());
    }
};

QTEST_MAIN(tst_frmConfigLcd)
#include "tst_frmconfiglcd.moc"
