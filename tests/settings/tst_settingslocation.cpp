#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "settings/SettingsLocation.h"
#include "settings/StartupSettings.h"
#include "protocol/UploadPlan.h"

#include "Files.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using velnor::test::contents;
using velnor::test::put;

// Which velnor.ini a program uses: beside it, in the user's folder (made from the installed
// default on first use), or the one named on the command line; the default is never written.
class TestSettingsLocation final : public QObject
{
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
    void folderWritable();
    void shippedDefaultUploadsAsTheLineRuns();
    void userConfigDir_data();
    void userConfigDir();
};

static const QByteArray kDefault = "[Settings]\r\nCommPort=1\r\n; shipped\r\n"_ba;
static const QByteArray kBeside = "; beside\r\n"_ba;
static const QByteArray kMine = "; mine\r\n"_ba;
static const QByteArray kBench = "; bench\r\n"_ba;

void TestSettingsLocation::choose_data()
{
    QTest::addColumn<bool>("copyBeside");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("userFile");
    QTest::addColumn<QString>("given");    // "", "bench.ini" (exists) or "new.ini" (does not)
    QTest::addColumn<QString>("chosen");   // beside, user or given
    QTest::addColumn<QByteArray>("after"); // what the chosen file holds after preparing

    const auto row = [](const char* name, bool copyBeside, bool installed, bool writable,
                        bool userFile, const char* given, const char* chosen,
                        const QByteArray& after) {
        QTest::newRow(name) << copyBeside << installed << writable << userFile
                            << QString::fromLatin1(given) << QString::fromLatin1(chosen) << after;
    };
    row("build tree", true, false, true, false, "", "beside", kBeside);
    row("portable copy removed", false, false, true, false, "", "beside", {});
    row("installed, first use", false, true, false, false, "", "user", kDefault);
    row("installed, used before", false, true, false, true, "", "user", kMine);
    row("installed, run by root", false, true, true, false, "", "user", kDefault);
    row("installed in a writable prefix with a copy beside", true, true, true, false, "", "beside",
        kBeside);
    row("read-only folder with a copy beside", true, false, false, false, "", "user", kBeside);
    row("read-only folder, nothing shipped", false, false, false, false, "", "user",
        "built in"_ba);
    row("--settings, existing file", false, true, false, true, "bench.ini", "given", kBench);
    row("--settings, new file", true, true, false, false, "new.ini", "given", kDefault);
}

void TestSettingsLocation::choose()
{
    QFETCH(bool, copyBeside);
    QFETCH(bool, installed);
    QFETCH(bool, writable);
    QFETCH(bool, userFile);
    QFETCH(QString, given);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, after);

    const QTemporaryDir root;
    const QString bin = root.filePath(u"usr/bin"_s);
    QVERIFY(QDir().mkpath(bin));
    const QString shipped = velnor::SettingsLocation::installedDefault(bin);
    QVERIFY(shipped.startsWith(root.path()));
    if (installed)
        QVERIFY(put(shipped, kDefault));
    const QString beside = bin + u"/velnor.ini"_s;
    if (copyBeside)
        QVERIFY(put(beside, kBeside));
    const QString config = root.filePath(u"home/.config"_s);
    const QString user = config + u"/velnor/velnor.ini"_s;
    if (userFile)
        QVERIFY(put(user, kMine));
    QVERIFY(put(root.filePath(u"bench.ini"_s), kBench));

    QStringList asked;
    const velnor::SettingsLocation::Places places{given.isEmpty() ? QString()
                                                                  : root.filePath(given),
                                                  bin, config, [&](const QString& folder) {
                                                      asked << folder;
                                                      return writable;
                                                  }};
    const velnor::SettingsLocation location = velnor::SettingsLocation::choose(places);
    const QString expected = chosen == u"beside" ? beside
                             : chosen == u"user" ? user
                                                 : root.filePath(given);
    QCOMPARE(location.path(), expected);
    QVERIFY(given.isEmpty() ? asked == QStringList{bin} : asked.isEmpty());

    QString error;
    QVERIFY2(location.prepare(&error), qPrintable(error));
    const QByteArray builtIn = contents(velnor::SettingsLocation::builtInDefault());
    QCOMPARE(contents(location.path()), after.isEmpty()       ? "<unreadable>"_ba
                                        : after == "built in" ? builtIn
                                                              : after);
    // A save, and a second start, find the port and speed of the first: a file the save
    // makes starts from the default; one the user changed is left as it is.
    const velnor::StartupSettings first = velnor::StartupSettings::read(location.file());
    QVERIFY(location.file().write(u"LCD"_s, u"UID"_s, u"105"_s));
    QVERIFY(location.prepare(&error));
    const velnor::StartupSettings next = velnor::StartupSettings::read(location.file());
    QCOMPARE(next.settledLine(), first.settledLine());
    QCOMPARE(next.port, first.port);
    QCOMPARE(next.address, 105);
    // The installed default and a copy beside a program that may not write there stay as
    // they were.
    if (installed)
        QCOMPARE(contents(shipped), kDefault);
    if (copyBeside && chosen != u"beside")
        QCOMPARE(contents(beside), kBeside);
}

// Root may write anywhere; through another file-system id it meets the folders' modes as any
// user does, and so does the real check: an installed program in a folder it may not write
// uses the user's folder, and tells why when even that cannot be made.
void TestSettingsLocation::folderWritable()
{
    const QTemporaryDir root;
    const QString bin = root.filePath(u"usr/bin"_s);
    const QString config = root.filePath(u"config"_s);
    const QString shipped = velnor::SettingsLocation::installedDefault(bin);
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(config) && put(shipped, kDefault));
    for (const QString& folder : {root.path(), root.filePath(u"usr"_s)})
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(bin).constData(), 0555), 0);
    QCOMPARE(::chmod(QFile::encodeName(config).constData(), 0555), 0);
    const auto restore = qScopeGuard([&] {
        ::setfsuid(::geteuid());
        ::chmod(QFile::encodeName(config).constData(), 0755);
        ::chmod(QFile::encodeName(bin).constData(), 0755);
    });
    if (::geteuid() == 0)
        ::setfsuid(65534);

    QVERIFY(!velnor::SettingsLocation::folderWritable(bin));
    QVERIFY(!velnor::SettingsLocation::folderWritable(root.filePath(u"missing"_s)));
    QVERIFY(velnor::SettingsLocation::folderWritable(QDir::tempPath()));

    const velnor::SettingsLocation location = velnor::SettingsLocation::choose(
        {{}, bin, config, &velnor::SettingsLocation::folderWritable});
    QCOMPARE(location.path(), config + u"/velnor/velnor.ini"_s);
    QCOMPARE(location.seed(), shipped);
    QString error;
    QVERIFY(!location.prepare(&error));
    QVERIFY2(error.contains(location.path()), qPrintable(error));
    QCOMPARE(contents(shipped), kDefault);
}

// A fresh install proposes what the line runs at and what the upload accepts: sent and saved
// as proposed, it keeps every module reachable at the next start.
void TestSettingsLocation::shippedDefaultUploadsAsTheLineRuns()
{
    const velnor::IniFile shipped(velnor::SettingsLocation::builtInDefault());
    QVERIFY(velnor::StartupSettings::read(shipped).at9600());
    const velnor::ModuleSetup setup = velnor::loadModuleSetup(shipped);
    QVERIFY(setup.at9600);
    QCOMPARE(setup.address(), 101);
    QVERIFY2(std::holds_alternative<QList<velnor::UploadStep>>(velnor::planUpload(setup)),
             "the upload refuses the shipped setup");
}

void TestSettingsLocation::userConfigDir_data()
{
    QTest::addColumn<QByteArray>("xdg"); // empty: unset
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QString>("expected"); // "~": the user database's home
    QTest::newRow("XDG_CONFIG_HOME") << "/x/cfg"_ba
                                     << "/h"_ba << u"/x/cfg"_s;
    QTest::newRow("relative XDG_CONFIG_HOME") << "cfg"_ba
                                              << "/h"_ba << u"/h/.config"_s;
    QTest::newRow("HOME unset") << QByteArray() << QByteArray() << u"~/.config"_s;
}

void TestSettingsLocation::userConfigDir()
{
    QFETCH(QByteArray, xdg);
    QFETCH(QByteArray, home);
    QFETCH(QString, expected);
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    const auto set = [](const char* name, const QByteArray& value) {
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    };
    const auto restore = qScopeGuard([&] {
        set("XDG_CONFIG_HOME", oldXdg);
        set("HOME", oldHome);
    });
    set("XDG_CONFIG_HOME", xdg);
    set("HOME", home);
    const passwd* user = ::getpwuid(::geteuid());
    QVERIFY(user);
    QCOMPARE(velnor::SettingsLocation::userConfigDir(),
             expected.replace(u"~"_s, QFile::decodeName(user->pw_dir)));
}

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
