#pragma once

#include "link/Exchange.h"
#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/ModuleScan.h"
#include "protocol/UploadPlan.h"

#include <QList>
#include <QObject>

namespace velnor {

class Panel;

// The runner as commissioning uses it, every call in one place: the search of the line at both
// speeds, the configuration window's frames on its own port at a module's speed, and a select
// and input read at an address and speed. Each call reports its end by a signal; the port's own
// speed comes back after each.
class CommissionLine final : public QObject
{
    Q_OBJECT
public:
    explicit CommissionLine(Panel& panel, QObject* parent = nullptr);
    ~CommissionLine() override;

    // False, with nothing sent, while a wait of any window runs.
    bool search();
    ModuleScan& scan() { return m_scan; }
    // The configuration window's load frames, then steps, then its store frame, at baud;
    // uploadStep() counts the store frame as the last step.
    bool upload(int baud, const QList<UploadStep>& steps);
    // Selects address at baud, reads its inputs and deselects it.
    bool check(quint8 address, int baud);
    // Stops what runs; a module selected by the search, the upload or the check is let go.
    void cancel();
    // Sends frame at baud on the configuration window's port, a tick before the next one or
    // before the ports get their own settings back, so that it leaves the line at its speed;
    // lineReturned() tells when they have.
    void letGo(int baud, const QByteArray& frame);

signals:
    void searched(bool completed);
    void uploadStep(int sent, int total);
    // completed: every step and the store frame went out.
    void uploaded(bool completed);
    // answered: the select was acknowledged; inputs read when that came too.
    void checked(bool answered, std::optional<velnor::InputStates> inputs);
    void lineReturned();

private:
    void checkEnded(bool completed);
    Exchanges::Run checkRun();
    ConfigLink::Upload uploadRun();
    void useLine(int baud);
    void restoreLine();
    void nextLetGo();

    Panel& m_panel;
    ModuleScan m_scan;
    struct Settings
    {
        QString main;
        QString config;
        int configPort = 0;
    };
    Settings m_ownSettings;
    // The ports are at a module's speed, m_ownSettings holds their own.
    bool m_held = false;
    // The speed of the upload or check under way.
    int m_baud = 0;
    // Frames still to let go, each at its speed.
    QList<std::pair<int, QByteArray>> m_letGo;
    bool m_uploading = false;
    bool m_checking = false;
    quint8 m_address = 0;
    bool m_answered = false;
    // The select of a check was answered: its inputs are being read.
    bool m_reading = false;
    std::optional<InputStates> m_inputs;
};

} // namespace velnor
