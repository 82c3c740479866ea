#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velnor {

class FrameLink;
class MessageSink;
struct Selection;

// The display's cursor (position, look), clearing a row or a column, the backlight and the
// eight custom characters. Each command takes the user's choice and gives back what it sent
// (empty when it sent nothing). Nothing here waits for an answer.
class DisplayCommands final
{
public:
    // selection is the one the device selection keeps: the options look at it.
    DisplayCommands(FrameLink& link, MessageSink& messages, const Selection& selection);

    static QStringList rowEntries();
    static QStringList columnEntries();

    QByteArray setCursor(const QString& rowChoice, const QString& columnChoice);
    QByteArray clearRow(const QString& rowChoice);
    QByteArray clearColumn(const QString& columnChoice);
    // index: 0 underline, 1 blinking, 2 hidden.
    QByteArray setCursorStyle(int index);
    // index: 0 on, 1 off, 2 flashing.
    QByteArray setBacklight(int index);
    // index: custom character 0 to 7 ("CHAR 1" to "CHAR 8").
    QByteArray showCustomCharacter(int index);

private:
    QByteArray send(const QByteArray& frame);

    FrameLink& m_link;
    MessageSink& m_messages;
    const Selection& m_selection;
};

} // namespace velnor
