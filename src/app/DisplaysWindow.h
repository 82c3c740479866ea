#pragma once

#include "app/MirrorFeed.h"

#include <QMap>
#include <QObject>
#include <QTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace velnor {

class LcdView;

// "Displays": a drawn display for each module the panel addressed on this line, in address
// order, as sent, with its outputs beside it. Choosing a display picks its address in the main
// window's address list. Data flows one way: the feed's mirror takes every frame written, and
// while the window shows, a timer hands the screens that changed to the displays.
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
