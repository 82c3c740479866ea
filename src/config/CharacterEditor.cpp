#include "config/CharacterEditor.h"

#include "config/CharacterPreview.h"
#include "config/DotButton.h"
#include "protocol/BitmapValue.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace velnor {

namespace {
constexpr int kDotPitch = 11;
constexpr int kGridLeft = 10;
constexpr int kGridTop = 46;
} // namespace

CharacterEditor::CharacterEditor(const std::array<QLineEdit*, kBoxes>& boxes, QWidget* parent)
    : QGroupBox(QStringLiteral("Draw"), parent), m_boxes(boxes), m_choice(new QComboBox(this)),
      m_preview(new CharacterPreview(this))
{
    setObjectName(QStringLiteral("CharacterEditor"));
    m_choice->setObjectName(QStringLiteral("drawnCharList"));
    m_choice->setAccessibleName(QStringLiteral("Character to draw"));
    for (int c = 1; c <= kCharacters; ++c)
        m_choice->addItem(QStringLiteral("CHAR %1").arg(c));
    m_choice->setGeometry(6, 18, 61, 21);
    connect(m_choice, &QComboBox::currentIndexChanged, this, &CharacterEditor::showCharacter);

    for (int r = 0; r < kDotRows; ++r) {
        for (int c = 0; c < kDotColumns; ++c) {
            auto* dot = new DotButton(this);
            dot->setObjectName(QStringLiteral("dot_%1_%2").arg(r).arg(c));
            dot->setGeometry(kGridLeft + c * kDotPitch, kGridTop + r * kDotPitch, 9, 9);
            dot->installEventFilter(this);
            connect(dot, &DotButton::clicked, this,
                    [this, r, c](bool on) { switchDot(r, c, on); });
            m_dots[size_t(r * kDotColumns + c)] = dot;
        }
    }

    auto* caption = new QLabel(QStringLiteral("Preview"), this);
    caption->setGeometry(6, 140, 61, 15);
    caption->setAlignment(Qt::AlignHCenter);
    m_preview->move((73 - m_preview->width()) / 2, 158);
    m_preview->setAccessibleName(QStringLiteral("Preview of the character"));

    for (int i = 0; i < int(m_boxes.size()); ++i) {
        QLineEdit* box = m_boxes[size_t(i)];
        connect(box, &QLineEdit::textChanged, this, [this, i] {
            if (i / kDotRows == m_character)
                refresh();
        });
        box->installEventFilter(this);
    }
    showCharacter(0);
}

DotButton* CharacterEditor::dot(int row, int column) const
{
    return m_dots[size_t(row * kDotColumns + column)];
}

void CharacterEditor::showCharacter(int index)
{
    if (index < 0 || index >= kCharacters)
        return;
    m_character = index;
    {
        const QSignalBlocker blocker(m_choice);
        m_choice->setCurrentIndex(index);
    }
    for (int r = 0; r < kDotRows; ++r) {
        for (int c = 0; c < kDotColumns; ++c)
            dot(r, c)->setAccessibleName(
                QStringLiteral("CHAR %1 row %2 dot %3").arg(index + 1).arg(r + 1).arg(c + 1));
    }
    refresh();
}

bool CharacterEditor::eventFilter(QObject* watched, QEvent* event)
{
    // Working in a character's boxes brings that character up.
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < int(m_boxes.size()); ++i) {
            if (watched == m_boxes[size_t(i)])
                showCharacter(i / kDotRows);
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (int i = 0; i < int(m_dots.size()); ++i) {
            if (watched != m_dots[size_t(i)])
                continue;
            const int r = i / kDotColumns;
            const int c = i % kDotColumns;
            switch (key->key()) {
            case Qt::Key_Left:
                moveFocus(r, c - 1);
                return true;
            case Qt::Key_Right:
                moveFocus(r, c + 1);
                return true;
            case Qt::Key_Up:
                moveFocus(r - 1, c);
                return true;
            case Qt::Key_Down:
                moveFocus(r + 1, c);
                return true;
            default:
                break;
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void CharacterEditor::refresh()
{
    std::array<std::optional<quint8>, kDotRows> rows;
    for (int r = 0; r < kDotRows; ++r) {
        rows[size_t(r)] = bitmapByte(m_boxes[size_t(m_character * kDotRows + r)]->text());
        for (int c = 0; c < kDotColumns; ++c) {
            DotButton* button = dot(r, c);
            button->setUnknown(!rows[size_t(r)]);
            button->setChecked(rows[size_t(r)] && hasDot(*rows[size_t(r)], c));
        }
    }
    m_preview->setRows(rows);
}

void CharacterEditor::switchDot(int row, int column, bool on)
{
    QLineEdit* box = m_boxes[size_t(m_character * kDotRows + row)];
    // Through the box, so the box stays the one place the value lives; its change redraws us.
    box->setText(withDot(box->text(), column, on));
    refresh();
}

void CharacterEditor::moveFocus(int row, int column)
{
    if (row >= 0 && row < kDotRows && column >= 0 && column < kDotColumns)
        dot(row, column)->setFocus(Qt::TabFocusReason);
}

} // namespace velnor
