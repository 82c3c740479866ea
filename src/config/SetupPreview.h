#pragma once

#include "protocol/ModuleSetup.h"

#include <QByteArray>
#include <QWidget>

#include <array>
#include <bitset>
#include <optional>

namespace velnor {

class ConfigBoxes;

// The start-up screen and the ten predefined texts as a module would draw them after the
// upload, with the window's own eight custom characters: the bytes the upload sends for each
// box, dot by dot. A custom character whose bitmap box the upload would refuse is drawn as not
// known, and the box is named beneath.
class SetupPreview final : public QWidget
{
    Q_OBJECT
public:
    // The start-up screen's two rows, the ten texts and the eight custom characters.
    static constexpr int Lines = 2 + ModuleSetup::kTexts + 1;

    explicit SetupPreview(QWidget* parent = nullptr);

    // Puts a preview beside the boxes, the window grown to hold it, following every change
    // of the boxes and of the dot editor.
    static SetupPreview* besideBoxes(QWidget& window, const ConfigBoxes& boxes);

    void showSetup(const ModuleSetup& setup);
    // The bytes a line shows: 0 and 1 the start-up screen's rows, 2 to 11 the texts, 12 the
    // custom characters.
    const QByteArray& line(int index) const { return m_lines.at(size_t(index)); }
    // Whether custom character n was refused; the refusal in words, empty when none.
    bool refused(int character) const { return m_refused.test(size_t(character)); }
    QString refusalNote() const { return m_note; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QByteArray, Lines> m_lines;
    QByteArray m_bitmaps;
    std::bitset<8> m_refused;
    QString m_note;
};

} // namespace velnor
