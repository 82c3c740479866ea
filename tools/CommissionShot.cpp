#include "CommissionShot.h"

#include "app/CommissionWindow.h"
#include "app/MainWindow.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "widgets/QtMessageSink.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

bool runUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(60000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// A station's setup: the start-up screen and texts a press line's displays might show.
bool writeStation(const QString& path)
{
    const velnor::IniFile file(path);
    QList<std::pair<QString, QString>> keys{
        {QStringLiteral("UID"), QStringLiteral("101")},
        {QStringLiteral("Baud"), QStringLiteral("9600")},
        {QStringLiteral("Line1"), QStringLiteral("Press line 4")},
        {QStringLiteral("Line2"), QStringLiteral("Ready")}};
    const QStringList texts{QStringLiteral("Running"),       QStringLiteral("Stopped"),
                            QStringLiteral("Door open"),     QStringLiteral("Low pressure"),
                            QStringLiteral("Change tool"),   QStringLiteral("Call fitter"),
                            QStringLiteral("Count reached"), QStringLiteral("Cleaning"),
                            QStringLiteral("Setting up"),    QStringLiteral("Shift end")};
    for (int k = 0; k < texts.size(); ++k)
        keys.append({QStringLiteral("PT%1").arg(k + 1), texts.at(k)});
    for (int i = 1; i <= 64; ++i)
        keys.append({QStringLiteral("Custom%1").arg(i), QStringLiteral("0")});
    return file.writeKeys(QStringLiteral("LCD"), keys).isEmpty();
}

} // namespace

int drawCommission(const QString& path)
{
    QTemporaryDir dir;
    velnor::PtyHost host({}, dir.filePath(QStringLiteral("store")));
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "velnor-screenshot: no emulated line: %s\n", qPrintable(error));
        return 1;
    }
    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("1"));
    settings.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                   QStringLiteral("9600,n,8,1"));
    settings.write(QStringLiteral("Ports"), QStringLiteral("1"), host.slavePath());
    const QString station = dir.filePath(QStringLiteral("press-line-4.ini"));
    if (!writeStation(station))
        return 1;

    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::MainWindow window(*panel, settings);
    messages.setParentWindow(&window);
    window.findChild<QAction*>(QStringLiteral("commissionAction"))->trigger();
    auto* commission = window.findChild<velnor::CommissionWindow*>();
    commission->findChild<QRadioButton*>(QStringLiteral("setupFromFile"))->setChecked(true);
    commission->findChild<QLineEdit*>(QStringLiteral("stationFileBox"))->setText(station);
    commission->findChild<QLineEdit*>(QStringLiteral("addressesBox"))
        ->setText(QStringLiteral("101-104"));
    if (!commission->startRun())
        return 1;

    // Each module is switched off and on as soon as it stored, but the third.
    velnor::Line& line = host.line();
    QObject::connect(&commission->task(), &velnor::Commissioning::uploadEnded, &line,
                     [&line, commission] {
                         if (commission->sheet().rows().size() < 2)
                             QTimer::singleShot(300, &line, [&line] { line.powerUp(); });
                     });
    const auto* prompt = commission->findChild<QLabel*>(QStringLiteral("promptLabel"));
    const QList<std::pair<quint8, int>> modules{{107, 4800}, {101, 9600}, {112, 9600}};
    for (const auto& [address, baud] : modules) {
        line.unplug(0);
        line.plug(address, baud);
        commission->find();
        const qsizetype rows = commission->sheet().rows().size();
        if (!runUntil([&] {
                return commission->sheet().rows().size() > rows ||
                       (rows == 2 && prompt->text().startsWith(QStringLiteral("Switch")));
            }))
            return 1;
    }
    QApplication::processEvents();
    return commission->grab().save(path) ? 0 : 1;
}
