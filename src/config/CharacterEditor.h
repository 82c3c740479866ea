#pragma once

#include "protocol/BitmapValue.h"
#include "shared/ModuleLimits.h"

#include <QGroupBox>

#include <array>

class QComboBox;
class QLineEdit;

namespace velnor {

class CharacterPreview;
class DotButton;

// Draws one custom character at a time as a 5x8 grid of dots, in step with that character's
// eight bitmap boxes both ways: the boxes stay what is uploaded and saved; a click on a dot
// changes only that dot's bit of its row's box, and a box holding no number shows its row as
// unknown. Arrow keys move between dots, Space switches one.
class CharacterEditor final : public QGroupBox
{
    Q_OBJECT
public:
    static constexpr int kCharacters = limits::CustomCharacters;
    static constexpr int kBoxes = kCharacters * kDotRows;

    // The bitmap boxes in index order: eight for each character.
    CharacterEditor(const std::array<QLineEdit*, kBoxes>& boxes, QWidget* parent = nullptr);

    void showCharacter(int index);
    int character() const { return m_character; }
    DotButton* dot(int row, int column) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void switchDot(int row, int column, bool on);
    void moveFocus(int row, int column);

    std::array<QLineEdit*, kBoxes> m_boxes;
    QComboBox* m_choice;
    std::array<DotButton*, kDotRows * kDotColumns> m_dots{};
    CharacterPreview* m_preview;
    int m_character = 0;
};

} // namespace velnor
