#include "E2eBench.h"
#include "config/frmConfigLcd.h"

#include <QAction>
#include <QFile>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

using namespace velnor;
using velnor::test::Bench;

namespace {

QByteArray padded(const QByteArray& text)
{
    QByteArray row = text;
    row.resize(Module::Columns, ' ');
    return row;
}

// The settings file's lines other than the configuration keys that a save writes.
QByteArrayList otherLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {"<unreadable>"};
    static const QRegularExpression saved(
        QStringLiteral("^(UID|Baud|Line[12]|PT[0-9]+|Custom[0-9]+)="));
    QByteArrayList lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!saved.match(QString::fromLatin1(line)).hasMatch())
            lines.append(line);
    }
    return lines;
}

frmConfigLcd* openConfiguration(const Bench& bench)
{
    bench.window->findChild<QAction*>(QStringLiteral("mnuConfig"))->trigger();
    return bench.window->configWindow();
}

template <typename T = QLineEdit> T* field(frmConfigLcd* window, const QString& name)
{
    return window->findChild<T*>(name);
}

// A configuration worth telling apart from the factory one.
void typeConfiguration(frmConfigLcd* window)
{
    field<QComboBox>(window, QStringLiteral("cboUID"))->setEditText(QStringLiteral("105"));
    field<QRadioButton>(window, QStringLiteral("opt9600"))->setChecked(true);
    field(window, QStringLiteral("txtSU1"))->setText(QStringLiteral("Velnor"));
    field(window, QStringLiteral("txtSU2"))->setText(QStringLiteral("bench"));
    for (int k = 0; k < 10; ++k)
        field(window, QStringLiteral("txtPreDefine_%1").arg(k))
            ->setText(QStringLiteral("Text %1").arg(k + 1));
    for (int i = 0; i < 64; ++i)
        field(window, QStringLiteral("txtCustom_%1").arg(i))->setText(QString::number(i % 32));
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
        for (int m = 0; m < 2; ++m) {
            QTRY_COMPARE(bench.module(m).row(0), padded("Config. Mode"));
            QCOMPARE(bench.module(m).row(1), padded(""));
        }
        // The window holds the port: the main window cannot have it until it closes.
        bench.click("cmdSelect");
        QCOMPARE(bench.messages.texts, QStringList{FrameLink::kPortNotAvailable});
        bench.window->configWindow()->close();
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
    }

    void uploadSaveAndRestart()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        const QByteArrayList settingsBefore = otherLines(bench.settings.path());
        frmConfigLcd* config = openConfiguration(bench);
        QVERIFY(config);
        typeConfiguration(config);

        config->findChild<QAbstractButton*>(QStringLiteral("cmdConLcd"))->click();
        QVERIFY(config->isUploading());
        QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 10000);
        // "Configuring.." went to the second row, which is cleared for "Completed".
        QTRY_COMPARE(bench.module(0).row(1), padded("Completed"));
        QCOMPARE(bench.module(0).row(0), padded("Config. Mode"));
        const ModuleConfig& sent = bench.module(0).working();
        QCOMPARE(sent.startupScreen, padded("Velnor") + padded("bench"));
        QCOMPARE(sent.bitmaps, expectedBitmaps());
        QCOMPARE(sent.texts.at(2), padded("Text 3"));
        QCOMPARE(int(sent.address), 105);

        config->findChild<QAbstractButton*>(QStringLiteral("cmdSaveFlash"))->click();
        QTRY_COMPARE(bench.module(0).stored(), sent);
        QVERIFY(bench.messages.texts.isEmpty());

        // The settings file holds what was saved; its other lines are as they were.
        const ModuleSetup saved = ModuleSetup::load(bench.settings);
        QCOMPARE(saved, config->setup());
        QCOMPARE(saved.uid, QStringLiteral("105"));
        QCOMPARE(otherLines(bench.settings.path()), settingsBefore);

        // Until it is switched off and on, the module answers to its old address, and shows
        // the uploaded texts on the main window's command.
        config->close();
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        bench.pick("cboPT", "3");
        bench.pick("cboPTR", "1");
        bench.click("cmdPT");
        QTRY_COMPARE(bench.module(0).row(1), padded("Text 3"));

        // Restarted from its store, it greets with the new start-up screen at its new address.
        Line restarted({101}, bench.host.line().storePath());
        QCOMPARE(restarted.module(0).row(0), padded("Velnor"));
        QCOMPARE(restarted.module(0).row(1), padded("bench"));
        QCOMPARE(int(restarted.module(0).address()), 105);
        QCOMPARE(restarted.module(0).customCharacter(7), expectedBitmaps().right(8));
    }

    void aModuleStoredAt4800HearsOnlyA4800Line()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        frmConfigLcd* config = openConfiguration(bench);
        typeConfiguration(config);
        field<QComboBox>(config, QStringLiteral("cboUID"))->setEditText(QStringLiteral("101"));
        field<QRadioButton>(config, QStringLiteral("opt4800"))->setChecked(true);
        config->findChild<QAbstractButton*>(QStringLiteral("cmdConLcd"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 10000);
        config->findChild<QAbstractButton*>(QStringLiteral("cmdSaveFlash"))->click();
        QTRY_COMPARE(bench.module(0).stored().baud, 4800);
        config->close();

        // Switched off and on: the module now listens at 4800 bit/s only.
        PtyHost restarted({101}, bench.host.line().storePath());
        QString error;
        QVERIFY2(restarted.start(&error), qPrintable(error));
        bench.settings.WriteIni(QStringLiteral("Ports"), QStringLiteral("4"),
                                restarted.devicePath());
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("Device Not Found"));
        QVERIFY(!restarted.line().module(0).ownSelected());

        bench.child<QAbstractButton>("opt4800")->click();
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        QVERIFY(restarted.line().module(0).ownSelected());
    }
};

QTEST_MAIN(tst_E2eConfig)
#include "tst_e2e_config.moc"
