#include "E2eBench.h"
#include "ModuleState.h"
#include "config/ConfigWindow.h"
#include "settings/ModuleSetupFile.h"

#include <QAction>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::Bench;
using velnor::test::shown;

namespace {

// The settings file's lines other than the configuration keys that a save writes.
QByteArrayList otherLines(const QString& path)
{
    static const QRegularExpression saved(
        QStringLiteral("^(UID|Baud|Line[12]|PT[0-9]+|Custom[0-9]+)="));
    QByteArrayList lines;
    for (const QByteArray& line : test::contents(path).split('\n')) {
        if (!saved.match(QString::fromLatin1(line)).hasMatch())
            lines.append(line);
    }
    return lines;
}

ConfigWindow* openConfiguration(const Bench& bench)
{
    bench.window->findChild<QAction*>(QStringLiteral("configAction"))->trigger();
    return bench.window->configWindow();
}

// A configuration worth telling apart from the factory one; then the steps given.
void typeConfiguration(const Bench& bench, ConfigWindow* window,
                       const QString& then = u"speed9600"_s)
{
    QString steps = u"uidList~105 startupLine1=Velnor startupLine2=bench"_s;
    for (int k = 0; k < 10; ++k)
        steps += u" storedText_%1=Text%2"_s.arg(k).arg(k + 1);
    for (int i = 0; i < 64; ++i)
        steps += u" bitmapByte_%1=%2"_s.arg(i).arg(i % 32);
    test::doSteps(*window, *bench.panel, steps + u' ' + then);
}

QByteArray expectedBitmaps()
{
    QByteArray bitmaps;
    for (int i = 0; i < 64; ++i)
        bitmaps.append(char(i % 32));
    return bitmaps;
}

} // namespace

class tst_E2eConfig final : public QObject
{
    Q_OBJECT

private slots:
    void openingPutsEveryModuleIntoConfigurationMode()
    {
        Bench bench;
        QVERIFY(bench.started);
        QVERIFY(openConfiguration(bench));
        QTRY_COMPARE(shown(bench.module(0)), u"Config. Mode|"_s);
        QCOMPARE(shown(bench.module(1)), u"Config. Mode|"_s);
        // The window holds the port: the main window cannot have it until it closes.
        bench.click("selectButton");
        QCOMPARE(bench.messages.texts, QStringList{FrameLink::kPortNotAvailable});
        bench.window->configWindow()->close();
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
    }

    void uploadSaveAndRestart()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        const QByteArrayList settingsBefore = otherLines(bench.settings.path());
        ConfigWindow* config = openConfiguration(bench);
        QVERIFY(config);
        typeConfiguration(bench, config);

        test::doStep(*config, u"uploadButton"_s);
        QVERIFY(config->isUploading());
        QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 10000);
        // "Configuring.." went to the second row, which is cleared for "Completed".
        QTRY_COMPARE(shown(bench.module(0)), u"Config. Mode|Completed"_s);
        const ModuleConfig& sent = bench.module(0).working();
        QCOMPARE(sent.startupScreen, QByteArray("Velnor          bench           "));
        QCOMPARE(sent.bitmaps, expectedBitmaps());
        QCOMPARE(sent.texts.at(2), QByteArray("Text3           "));
        QCOMPARE(int(sent.address), 105);

        test::doStep(*config, u"saveButton"_s);
        QTRY_COMPARE(bench.module(0).stored(), sent);
        QVERIFY(bench.messages.texts.isEmpty());

        // The settings file holds what was saved; its other lines are as they were.
        const ModuleSetup saved = loadModuleSetup(bench.settings);
        QCOMPARE(saved, config->setup());
        QCOMPARE(saved.uid, QStringLiteral("105"));
        QCOMPARE(otherLines(bench.settings.path()), settingsBefore);

        // Until it is switched off and on, the module answers to its old address, and shows
        // the uploaded texts on the main window's command.
        config->close();
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        test::doSteps(*bench.window, *bench.panel,
                      u"storedTextList=3 storedTextRowList=1 showStoredTextButton"_s);
        QTRY_COMPARE(shown(bench.module(0)), u"Config. Mode|Text3"_s);

        // Restarted from its store, it greets with the new start-up screen at its new address.
        Line restarted({101}, bench.host.line().storePath());
        QCOMPARE(shown(restarted.module(0)), u"Velnor|bench"_s);
        QCOMPARE(int(restarted.module(0).address()), 105);
        QCOMPARE(restarted.module(0).customCharacter(7), expectedBitmaps().right(8));
    }

    void aModuleStoredAt4800HearsOnlyA4800Line()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        ConfigWindow* config = openConfiguration(bench);
        typeConfiguration(bench, config, u"speed4800 uidList~101"_s);
        test::doStep(*config, u"uploadButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 10000);
        test::doStep(*config, u"saveButton"_s);
        QTRY_COMPARE(bench.module(0).stored().baud, 4800);
        config->close();

        // Switched off and on: the module now listens at 4800 bit/s only.
        PtyHost restarted({101}, bench.host.line().storePath());
        QString error;
        QVERIFY2(restarted.start(&error), qPrintable(error));
        bench.settings.write(QStringLiteral("Ports"), QStringLiteral("4"), restarted.devicePath());
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("Device Not Found"));
        QVERIFY(!restarted.line().module(0).ownSelected());

        bench.click("speed4800");
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        QVERIFY(restarted.line().module(0).ownSelected());
    }
};

QTEST_MAIN(tst_E2eConfig)
#include "tst_e2e_config.moc"
