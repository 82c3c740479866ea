#pragma once

#include <QList>
#include <QMainWindow>
#include <QTimer>

#include <optional>

class QLabel;
class QMenu;
class QVBoxLayout;

namespace velnor {

class Line;
class ModulePanel;

// The emulator's window: one panel per module on the line; under them the device to point the
// panel at, the last bytes each way and passing notices; a status bar with the line's speed and
// whether a program has it open. The line drives it through its signals; the window only
// changes the line through the input switches and its menu: power cycle, plug and unplug.
class EmulatorWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit EmulatorWindow(Line& line, QWidget* parent = nullptr);

    // link may be empty when no link is kept.
    void setDevice(const QString& link, const QString& device);
    // How many other programs hold the device; nullopt when that cannot be told.
    void setPeers(std::optional<int> peers);
    void showFrame(const QByteArray& bytes);
    void showAnswer(const QByteArray& bytes);

    const QList<ModulePanel*>& panels() const { return m_panels; }

private:
    void refresh();
    // One panel per module on the line, made again when modules are plugged or unplugged.
    void makePanels();
    void plugModule(int baud);
    void listUnplugging(QMenu* menu);
    void showConflict(quint8 address);
    void showStoreProblem(const QString& reason);
    void showNotice(const QString& text);

    Line& m_line;
    QVBoxLayout* m_modules;
    QList<ModulePanel*> m_panels;
    QLabel* m_device;
    QLabel* m_speed;
    QLabel* m_peer;
    QLabel* m_traffic;
    QLabel* m_notice;
    QTimer m_noticeTimer;
    QString m_lastFrame;
};

} // namespace velnor
