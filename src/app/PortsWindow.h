#pragma once

// The "Ports" window. While shown it looks at the serial devices every second (the system's
// list, the settings file's "Ports" section, the by-id links) and redraws only when that
// changed, so adapters plugged in or out appear without a click and a selection survives.
// Giving a device a port number writes the settings file, and the next look shows it.

#include "link/PortCatalog.h"
#include "settings/IniFile.h"

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace velnor {

// The serial devices present, what each is and which port number reaches it; one of them can
// be given a port number.
class PortsWindow final : public QWidget
{
    Q_OBJECT
public:
    // The serial ports the system lists, with their details.
    using Source = std::function<QList<PortDevice>()>;

    explicit PortsWindow(const IniFile& settings, Source listed = &PortCatalog::listedNow,
                         QWidget* parent = nullptr);

    void setByIdFolder(const QString& folder);
    void setPollInterval(std::chrono::milliseconds interval) { m_poll.setInterval(interval); }
    const PortCatalog& catalog() const { return m_catalog; }

    // Looks again and redraws the list if anything changed.
    void refresh();
    // Gives the selected device the port number chosen below the list.
    void assignSelected();

signals:
    // A port number was made to reach a device.
    void portAssigned(int number);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void connectSignals();
    // Redraws the list, keeping the device of that name selected.
    void showCatalog(const QString& keep);
    const PortDevice* selected() const;
    void selectionChanged();

    IniFile m_settings;
    Source m_listed;
    QString m_byIdFolder = PortCatalog::defaultByIdFolder();
    PortCatalog m_catalog;
    QTimer m_poll;
    QTreeWidget* m_list = nullptr;
    QComboBox* m_number = nullptr;
    QPushButton* m_assign = nullptr;
    QLabel* m_outcome = nullptr;
};

} // namespace velnor
