#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "Files.h"
#include "LcdSection.h"
#include "commands/ConfigCommands.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;

namespace {

const QString kPortMessage = u"SELECTED PORT NOT AVAILABLE!"_s;
const QString kNoAddress = u"Please Select a Device Address from 101 to 132"_s;
const QString kNoNumber = u"Please Enter Numeric Value 0 to 255 in the bitmap field"_s;

// The configuration window's commands with no window, on a fake line, over a settings file
// with a full "LCD" section; every hold and note they give is kept.
struct Rig
{
    Rig()
    {
        test::put(settings.path(), "[Settings]\r\nCommPort=3\r\n" + test::lcdSection());
        QObject::connect(&commands, &ConfigCommands::holdBoxes, &commands,
                         [this](bool held) { holds.append(held); });
        QObject::connect(&commands, &ConfigCommands::noteChanged, &commands,
                         [this](const QString& text) { notes.append(text); });
    }

    ModuleSetup loaded() const { return loadModuleSetup(settings); }
    QString file() const { return QDir::toNativeSeparators(settings.path()); }

    QTemporaryDir dir;
    IniFile settings{dir.filePath(u"velnor.ini"_s)};
    test::FakeMessageSink messages;
    Panel panel{messages, test::fakeLine(), test::fakeLine()};
    test::FakeSerialPort& port = static_cast<test::FakeSerialPort&>(panel.configPort());
    ConfigCommands commands{panel, settings};
    QList<bool> holds;
    QStringList notes;
};

} // namespace

class tst_ConfigCommands final : public QObject
{
    Q_OBJECT

private slots:
    // A port that cannot be used is told by each of the two sends; the file is read all the same.
    void aBusyPortIsToldByBothLoadSends()
    {
        Rig rig;
        rig.port.refuseOpen = true;
        QCOMPARE(rig.commands.load(2), rig.loaded());
        QCOMPARE(rig.messages.texts, QStringList(2, kPortMessage));
    }

    // Which address every module will take (the speed is the window test's), or that none is
    // chosen yet; then what the upload replaces, naming what it blanks (a box of blanks is as
    // empty as an empty one). The filled texts are the last ones.
    void targetNoteSaysWhatEveryModuleWillTake_data()
    {
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QStringList>("startup");
        QTest::addColumn<int>("filledTexts");
        QTest::addColumn<QString>("end");
        const QString blanking = u", blanking those empty here: "_s;
        QTest::newRow("all filled")
            << u"107"_s << QStringList{u"Hi"_s, u" x"_s} << 10 << u" with the ones above."_s;
        QTest::newRow("nothing filled") << u"107"_s << QStringList{{}, QString(16, u' ')} << 0
                                        << blanking + u"the start-up screen and all 10 texts."_s;
        QTest::newRow("line 2, a text") << u"107"_s << QStringList{u"Hi"_s, u" "_s} << 9
                                        << blanking + u"start-up line 2 and 1 of the texts."_s;
        QTest::newRow("no address, line 1") << u"13"_s << QStringList{{}, u"x"_s} << 3
                                            << blanking + u"start-up line 1 and 7 of the texts."_s;
    }

    void targetNoteSaysWhatEveryModuleWillTake()
    {
        QFETCH(QString, uid);
        QFETCH(QStringList, startup);
        QFETCH(int, filledTexts);
        QFETCH(QString, end);
        ModuleSetup setup{uid, true, startup[0], startup[1], {}, {}};
        for (int k = 0; k < ModuleSetup::kTexts; ++k)
            setup.texts[size_t(k)] =
                k < ModuleSetup::kTexts - filledTexts ? QString(16, u' ') : u"Text"_s;
        const QString first = uid == u"107"_s
                                  ? u"all of them will take address 107 and 9600 bit/s."_s
                                  : u"choose the address they will all take, 101 to 132."_s;
        QCOMPARE(ConfigCommands::targetNote(setup),
                 u"The upload goes to every module on the line: "_s + first +
                     u"\nIt replaces their start-up screen and 10 predefined texts"_s + end);
    }

    // Refused, an upload or save sends nothing, holds no box and writes no setting; the user is
    // told what is wrong and where, and pointed at the box to mend (-1: the address list).
    void refusals_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("bitmap");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<int>("box");
        const auto row = [](bool save, const char* uid, const char* bitmap, const char* detail,
                            int box) {
            QTest::addRow("%s %s '%s'", save ? "save" : "upload", uid, bitmap)
                << save << QString::fromLatin1(uid) << QString::fromLatin1(bitmap)
                << QString::fromLatin1(detail) << box;
        };
        row(false, "107", "abc", "CHAR 3, Byte 2 holds \"abc\".", 17);
        row(false, "99", "1", "", -1);
        row(true, "100", "1", "", -1);
        row(true, "107", "300", "CHAR 3, Byte 2 holds \"300\".", 17);
        row(true, "107", "", "CHAR 3, Byte 2 is empty.", 17);
    }

    void refusals()
    {
        QFETCH(bool, save);
        QFETCH(QString, uid);
        QFETCH(QString, bitmap);
        QFETCH(QString, detail);
        QFETCH(int, box);
        const QString message = box < 0 ? kNoAddress : kNoNumber;
        Rig rig;
        const QByteArray before = test::contents(rig.settings.path());
        ModuleSetup setup = rig.loaded();
        setup.uid = uid;
        setup.bitmaps[17] = bitmap;
        const auto refusal = save ? rig.commands.save(setup) : rig.commands.upload(setup);
        QVERIFY(refusal);
        QCOMPARE(*refusal, (SetupRefusal{message, detail,
                                         box < 0 ? std::nullopt : std::optional<int>(box)}));
        QCOMPARE(rig.messages.texts, QStringList{message});
        QCOMPARE(rig.messages.details, QStringList{detail});
        QVERIFY(rig.port.writes.isEmpty());
        QVERIFY(rig.holds.isEmpty() && rig.notes.isEmpty());
        QCOMPARE(test::contents(rig.settings.path()), before);
    }

    // The boxes are held from the click to the upload's end, however it ends; the second note
    // counts the steps out and says how it ended; a failing port is told once.
    void uploadHoldsTheBoxesAndCountsTheSteps_data()
    {
        QTest::addColumn<bool>("refuseOpen");
        QTest::addColumn<int>("failWritesAfter");
        QTest::addColumn<int>("notes");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("messages");
        QTest::newRow("every step out")
            << false << -1 << 32
            << u"Upload complete: all 31 steps sent. Save keeps it in the modules' memory."_s << 0;
        QTest::newRow("port will not open")
            << true << -1 << 1 << u"Upload stopped after step 0 of 31."_s << 1;
        QTest::newRow("write fails after the baud frame")
            << false << 3 << 3 << u"Upload stopped after step 2 of 31."_s << 1;
    }

    void uploadHoldsTheBoxesAndCountsTheSteps()
    {
        QFETCH(bool, refuseOpen);
        QFETCH(int, failWritesAfter);
        QFETCH(int, notes);
        QFETCH(QString, last);
        QFETCH(int, messages);
        Rig rig;
        rig.port.refuseOpen = refuseOpen;
        rig.port.failWritesAfter = failWritesAfter;
        QVERIFY(!rig.commands.upload(rig.loaded()));
        QTRY_VERIFY(!rig.commands.isUploading());
        QCOMPARE(rig.holds, QList<bool>({true, false}));
        QCOMPARE(rig.notes.size(), notes);
        QCOMPARE(rig.notes.last(), last);
        QCOMPARE(rig.messages.texts.size(), messages);
    }

    // A save keeps each bitmap as the byte the upload sends, and says whether the store frame
    // went out and which file was or was not written.
    void saveSaysWhatWasStoredAndWhere_data()
    {
        QTest::addColumn<bool>("portWorks");
        QTest::addColumn<bool>("fileWorks");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("told");
        const QString sent = u"Store command sent to every module; "_s;
        QTest::newRow("both") << true << true << sent + u"settings written to %1."_s
                              << QStringList();
        QTest::newRow("port refuses")
            << false << true
            << u"Store command not sent (port not available); settings written to %1."_s
            << QStringList{kPortMessage};
        QTest::newRow("file is a folder")
            << true << false << sent + u"settings NOT written to %1."_s
            << QStringList{ConfigCommands::kSettingsNotSaved};
    }

    void saveSaysWhatWasStoredAndWhere()
    {
        QFETCH(bool, portWorks);
        QFETCH(bool, fileWorks);
        QFETCH(QString, note);
        QFETCH(QStringList, told);
        Rig rig;
        ModuleSetup setup = rig.loaded();
        setup.at9600 = false;
        setup.bitmaps[5] = u"1e2"_s;
        rig.port.refuseOpen = !portWorks;
        // No write into a folder can succeed, whoever runs the test.
        if (!fileWorks)
            QVERIFY(QFile::remove(rig.settings.path()) &&
                    QDir(rig.dir.path()).mkdir(u"velnor.ini"_s));
        QVERIFY(!rig.commands.save(setup));
        QCOMPARE(rig.port.written(), portWorks ? "\xef\x64\xfe\x20"_ba : QByteArray());
        QCOMPARE(rig.notes, QStringList{note.arg(rig.file())});
        QCOMPARE(rig.messages.texts, told);
        setup.bitmaps[5] = u"100"_s;
        if (fileWorks)
            QCOMPARE(rig.loaded(), setup);
        else
            QVERIFY(
                rig.messages.details.last().endsWith(u"78 of 78 settings were not written."_s));
    }
};

QTEST_GUILESS_MAIN(tst_ConfigCommands)
#include "tst_configcommands.moc"
