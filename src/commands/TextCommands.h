#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velnor {

class FrameLink;
class MessageSink;

// Text on the module's display: the two typed lines, clearing it, and a predefined text on a
// row. Each command takes what the user typed or chose and gives back what it sent (empty
// when it sent nothing). Nothing here waits for an answer.
class TextCommands final
{
public:
    TextCommands(FrameLink& link, MessageSink& messages);

    // The predefined texts' list and its row list.
    static QStringList textEntries();
    static QStringList rowEntries();

    QByteArray sendText(const QString& line1, const QString& line2);
    // The window empties both lines as well.
    QByteArray clearDisplay();
    QByteArray showStoredText(const QString& textChoice, const QString& rowChoice);

private:
    FrameLink& m_link;
    MessageSink& m_messages;
};

} // namespace velnor
