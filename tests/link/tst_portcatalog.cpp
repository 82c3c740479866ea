#include "link/PortCatalog.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include "Files.h"
#include "Pty.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using velnor::IniFile;
using velnor::PortCatalog;
using velnor::PortDevice;

// Which device each port number reaches and how it is named, over real pseudo-terminals: one
// stands for a USB adapter the system lists (with a by-id link in a folder of the test's own),
// one for the emulator's terminal, known only from the settings file.
class TestPortCatalog final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void devicesAndTheirPorts();
    void describe_data();
    void describe();
    void assignPrefersTheStableName();

private:
    PortCatalog catalog(const QString& ports) const;

    QTemporaryDir m_dir;
    velnor::test::Pty m_adapter;
    velnor::test::Pty m_emulator;
    QString m_byId;
    QString m_link;
    PortDevice m_listed;
};

void TestPortCatalog::initTestCase()
{
    QVERIFY2(m_adapter.isOpen() && m_emulator.isOpen(), qPrintable(m_adapter.errorString()));
    m_byId = m_dir.filePath(u"by-id"_s);
    m_link = m_byId + u"/usb-Acme_Bridge_A1-if00-port0"_s;
    QVERIFY(QDir().mkpath(m_byId));
    QVERIFY(QFile::link(m_adapter.slavePath(), m_link));
    m_listed.device = m_adapter.slavePath();
    m_listed.description = u"Bridge"_s;
    m_listed.manufacturer = u"Acme"_s;
    m_listed.serialNumber = u"A1"_s;
}

PortCatalog TestPortCatalog::catalog(const QString& ports) const
{
    const QString path = m_dir.filePath(u"velnor.ini"_s);
    if (!velnor::test::put(path, u"[Ports]\n%1"_s.arg(ports).toUtf8()))
        qFatal("cannot write %s", qPrintable(path));
    return PortCatalog({m_listed}, PortCatalog::mappedPorts(portMapOf(IniFile(path))), m_byId);
}

void TestPortCatalog::devicesAndTheirPorts()
{
    const QString gone = m_byId + u"/usb-Acme_Bridge_B2-if00-port0"_s;
    // The adapter through its link and through its device; the emulator's terminal; an
    // unplugged adapter's by-id name.
    const PortCatalog all = catalog(u"7=%1\n3=%2\n4=%3\n9=%4\n"_s.arg(
        m_link, m_emulator.slavePath(), gone, m_adapter.slavePath()));
    QCOMPARE(all.devices().size(), 3);

    const PortDevice& emulator = all.devices().at(0);
    QCOMPARE(emulator.device, m_emulator.slavePath());
    QCOMPARE(emulator.ports, QList<int>{3});
    QVERIFY(!emulator.listed);
    QVERIFY(emulator.present);
    QCOMPARE(PortCatalog::summary(emulator), u"pseudo-terminal"_s);

    const PortDevice& unplugged = all.devices().at(1);
    QCOMPARE(unplugged.ports, QList<int>{4});
    QVERIFY(!unplugged.present);
    QCOMPARE(unplugged.stableName(), gone);

    const PortDevice& adapter = all.devices().at(2);
    QCOMPARE(adapter.ports, (QList<int>{7, 9}));
    QCOMPARE(adapter.byId, m_link);
    QCOMPARE(PortCatalog::summary(adapter), u"Bridge (Acme, serial number A1)"_s);
    QCOMPARE(all.reaching(9), &adapter);
    QCOMPARE(all.reaching(5), nullptr);
}

void TestPortCatalog::describe_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("text");

    // %link, %adapter and %emulator stand for the paths made at start.
    const QString adapter = u"Bridge (Acme, serial number A1)"_s;
    QTest::newRow("by its link") << 7 << u"Port 7: %link, which is %adapter\n"_s + adapter;
    QTest::newRow("by its device") << 9 << u"Port 9: %adapter\n"_s + adapter + u"\n%link"_s;
    QTest::newRow("pseudo-terminal") << 3 << u"Port 3: %emulator\npseudo-terminal"_s;
    QTest::newRow("not there") << 12 << u"Port 12: /nonexistent/ttyUSB9, which is not there"_s;
}

void TestPortCatalog::describe()
{
    QFETCH(int, port);
    QFETCH(QString, text);
    const PortCatalog all = catalog(u"7=%1\n3=%2\n9=%3\n12=/nonexistent/ttyUSB9\n"_s.arg(
        m_link, m_emulator.slavePath(), m_adapter.slavePath()));
    text.replace(u"%link"_s, m_link)
        .replace(u"%adapter"_s, m_adapter.slavePath())
        .replace(u"%emulator"_s, m_emulator.slavePath());
    QCOMPARE(all.describe(port), text);
}

void TestPortCatalog::assignPrefersTheStableName()
{
    const QString path = m_dir.filePath(u"assign.ini"_s);
    QVERIFY(velnor::test::put(path, "[Ports]\n2=/dev/ttyUSB9\n"));
    const IniFile settings(path);
    // The emulator's terminal named by a link of the user's, which keeps its name when the
    // terminal behind it changes; it has no by-id name.
    const QString line = m_dir.filePath(u"line"_s);
    QVERIFY(QFile::exists(line) || QFile::link(m_emulator.slavePath(), line));
    const PortCatalog before = PortCatalog({m_listed}, {{5, line}}, m_byId);
    const PortDevice& terminal = *before.reaching(5);

    QVERIFY(PortCatalog::assign(portMapOf(settings), 2, before.devices().at(1)));
    QVERIFY(PortCatalog::assign(portMapOf(settings), 20, terminal));
    QString error;
    QVERIFY(!PortCatalog::assign(portMapOf(settings), 21, terminal, &error));
    QVERIFY(error.contains(u"1 to 20"_s));

    const velnor::PortsSection mapped = PortCatalog::mappedPorts(portMapOf(settings));
    QCOMPARE(mapped, (velnor::PortsSection{{2, m_link}, {20, line}}));
    // Re-plugged under another device name, the adapter keeps its number.
    const PortCatalog after = PortCatalog({}, mapped, m_byId);
    QCOMPARE(after.reaching(2)->device, m_adapter.slavePath());
}

QTEST_GUILESS_MAIN(TestPortCatalog)
#include "tst_portcatalog.moc"
