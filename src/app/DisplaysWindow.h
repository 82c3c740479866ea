#pragma once

#include "module/LineMirror.h"

#include <QMap>
#include <QObject>
#include <QTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace velnor {

class LcdView;
class ModuleScan;
class Panel;

// Feeds the mirror of the main window's line with every byte the panel writes there, from the
// start of the run: the main window's frames, and the configuration window's when it is on the
// same port at the same speed. Another port or speed is a new line.
class MirrorFeed final : public QObject
{
    Q_OBJECT
public:
    explicit MirrorFeed(Panel& panel, QObject* parent = nullptr);

    LineMirror& mirror() { return m_mirror; }
    // Starts a new line when the port or its speed changed since the last look.
    void checkLine();
    // A search addresses every module: only those that answer it are listed.
    void follow(ModuleScan& scan);

private:
    Panel& m_panel;
    LineMirror m_mirror;
    QString m_line;
};

// "Displays": a drawn display for each module the panel addressed on this line, in address
// order, as sent, with its outputs beside it. Choosing a display picks its address in the main
// window's address list.
class DisplaysWindow final : public QWidget
{
    Q_OBJECT
public:
    DisplaysWindow(MirrorFeed& feed, QComboBox* addresses, QWidget* parent = nullptr);

    // The display of a module, if listed, and the model the displays show.
    LcdView* display(quint8 address) const;
    MirrorFeed& feed() const { return m_feed; }
    // Brings every display up to the mirror; the window does so on its own a few times a second.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row
    {
        QWidget* box;
        QLabel* title;
        LcdView* view;
        QLabel* outputs;
    };
    Row& rowFor(quint8 address);
    void update(quint8 address, Row& row);

    MirrorFeed& m_feed;
    QComboBox* m_addresses;
    QVBoxLayout* m_rows;
    QLabel* m_empty;
    QMap<quint8, Row> m_shown;
    QTimer m_poll;
};

} // namespace velnor
