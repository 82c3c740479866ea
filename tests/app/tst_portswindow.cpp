#include "app/PortsWindow.h"

#include "Files.h"
#include "Pty.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;
using velnor::PortDevice;
using velnor::PortsWindow;

// The ports window fed from a list the test changes, as adapters are plugged in and out: a
// listed adapter with a by-id link, and the emulator's terminal named in the settings file.
class TestPortsWindow final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void showsEachDeviceAndAssignsItsStableName();
    void followsAdaptersWhileShown();

private:
    QTreeWidgetItem* row(const QString& device) const;

    QTemporaryDir m_dir;
    velnor::test::Pty m_adapter;
    velnor::test::Pty m_emulator;
    QString m_link;
    QString m_ini;
    QList<PortDevice> m_present;
    std::unique_ptr<PortsWindow> m_window;
    QTreeWidget* m_list = nullptr;
};

void TestPortsWindow::init()
{
    QVERIFY2(m_adapter.isOpen() && m_emulator.isOpen(), qPrintable(m_adapter.errorString()));
    const QString byId = m_dir.filePath(u"by-id"_s);
    m_link = byId + u"/usb-Acme_Bridge_A1-if00-port0"_s;
    QVERIFY(QDir().mkpath(byId));
    QVERIFY(QFile::exists(m_link) || QFile::link(m_adapter.slavePath(), m_link));
    m_ini = m_dir.filePath(u"velnor.ini"_s);
    QVERIFY(velnor::test::put(m_ini, u"[Ports]\n3=%1\n"_s.arg(m_emulator.slavePath()).toUtf8()));
    PortDevice adapter;
    adapter.device = m_adapter.slavePath();
    adapter.description = u"Bridge"_s;
    adapter.manufacturer = u"Acme"_s;
    adapter.serialNumber = u"A1"_s;
    m_present = {adapter};

    m_window = std::make_unique<PortsWindow>(velnor::IniFile(m_ini), [this] { return m_present; });
    m_window->setByIdFolder(byId);
    m_list = m_window->findChild<QTreeWidget*>(u"lstPorts"_s);
    QVERIFY(m_list);
}

QTreeWidgetItem* TestPortsWindow::row(const QString& device) const
{
    const QList<QTreeWidgetItem*> found = m_list->findItems(device, Qt::MatchExactly, 1);
    return found.size() == 1 ? found.first() : nullptr;
}

void TestPortsWindow::showsEachDeviceAndAssignsItsStableName()
{
    QCOMPARE(m_list->topLevelItemCount(), 2);
    const QTreeWidgetItem* emulator = m_list->topLevelItem(0);
    QCOMPARE((QStringList{emulator->text(0), emulator->text(1), emulator->text(2)}),
             (QStringList{u"3"_s, m_emulator.slavePath(), u"pseudo-terminal"_s}));
    QVERIFY(emulator->toolTip(4).startsWith(u"Port 3: "_s + m_emulator.slavePath()));

    const QTreeWidgetItem* adapter = m_list->topLevelItem(1);
    const QStringList shown{adapter->text(0), adapter->text(2), adapter->text(3), adapter->text(4),
                            adapter->text(5)};
    QCOMPARE(shown, (QStringList{QString(), u"Bridge"_s, u"Acme"_s, u"A1"_s, m_link}));

    auto* assign = m_window->findChild<QPushButton*>(u"assignButton"_s);
    auto* number = m_window->findChild<QComboBox*>(u"portNumberList"_s);
    QVERIFY(!assign->isEnabled());
    row(m_adapter.slavePath())->setSelected(true);
    // The first number that reaches nothing is offered; 3 is the emulator's.
    QCOMPARE(number->currentIndex(), 0);
    number->setCurrentIndex(2);
    QSignalSpy assigned(m_window.get(), &PortsWindow::portAssigned);
    QTest::mouseClick(assign, Qt::LeftButton);

    QCOMPARE(assigned.size(), 1);
    QCOMPARE(assigned.first().first().toInt(), 3);
    QVERIFY(velnor::test::contents(m_ini).contains(u"3=%1"_s.arg(m_link).toUtf8()));
    QCOMPARE(m_window->findChild<QLabel*>(u"outcomeLabel"_s)->text(),
             u"Port 3 now opens %1 (it opened %2 before)."_s.arg(m_link, m_emulator.slavePath()));
    // The list follows at once, and the device stays selected.
    QCOMPARE(row(m_adapter.slavePath())->text(0), u"3"_s);
    QVERIFY(row(m_adapter.slavePath())->isSelected());
    QCOMPARE(row(m_emulator.slavePath()), nullptr);
}

void TestPortsWindow::followsAdaptersWhileShown()
{
    m_window->setPollInterval(std::chrono::milliseconds(10));
    m_window->show();
    QTreeWidgetItem* adapter = row(m_adapter.slavePath());
    adapter->setSelected(true);
    // Looking again at an unchanged line keeps the very same rows.
    m_window->refresh();
    QCOMPARE(row(m_adapter.slavePath()), adapter);

    PortDevice plugged;
    plugged.device = u"/dev/ttyUSB7"_s;
    plugged.description = u"Cable"_s;
    m_present.append(plugged);
    QTRY_VERIFY(row(u"/dev/ttyUSB7"_s));
    QVERIFY(row(m_adapter.slavePath())->isSelected());

    m_present.removeFirst();
    QTRY_COMPARE(m_list->topLevelItemCount(), 2);
    QCOMPARE(row(m_adapter.slavePath()), nullptr);
    QVERIFY(m_list->selectedItems().isEmpty());
    QVERIFY(!m_window->findChild<QPushButton*>(u"assignButton"_s)->isEnabled());
}

QTEST_MAIN(TestPortsWindow)
#include "tst_portswindow.moc"
