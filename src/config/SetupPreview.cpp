#include "config/SetupPreview.h"

#include "config/ConfigBoxes.h"
#include "module/CharacterRom.h"
#include "protocol/BitmapValue.h"
#include "protocol/SafeText.h"
#include "protocol/UploadPlan.h"
#include "shared/Wire.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QStringList>

namespace velnor {

namespace {

constexpr int Dot = 2;
constexpr int CellWidth = CharacterRom::DotColumns * Dot;
constexpr int CellHeight = CharacterRom::DotRows * Dot;
constexpr int CellGap = 2;
constexpr int LineGap = 7;
constexpr int LabelWidth = 54;
constexpr int Margin = 8;
constexpr int TitleHeight = 22;
constexpr int NoteHeight = 58;
constexpr int GlassWidth = limits::Columns * (CellWidth + CellGap) + CellGap;

int lineTop(int line)
{
    // The start-up screen's two rows together, then a gap, the texts, a gap, the characters.
    return TitleHeight + line * (CellHeight + LineGap) + (line >= 2 ? LineGap : 0) +
           (line >= SetupPreview::Lines - 1 ? LineGap : 0);
}

QByteArray sentText(const QString& text)
{
    return safeText(text.leftJustified(limits::Columns, QLatin1Char(' '), true));
}

} // namespace

SetupPreview::SetupPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("setupPreview"));
    setAccessibleName(QStringLiteral("Preview of the start-up screen and the texts"));
    showSetup({});
}

SetupPreview* SetupPreview::besideBoxes(QWidget& window, const ConfigBoxes& boxes)
{
    auto* preview = new SetupPreview(&window);
    const QSize size = preview->sizeHint();
    preview->setGeometry(window.width(), 8, size.width(), size.height());
    window.setFixedSize(window.width() + size.width() + Margin, window.height());
    const auto follow = [preview, &boxes] { preview->showSetup(boxes.setup()); };
    QList<QLineEdit*> edits{boxes.startupLine1, boxes.startupLine2};
    edits += QList<QLineEdit*>(boxes.storedTexts.begin(), boxes.storedTexts.end());
    edits += QList<QLineEdit*>(boxes.bitmapBytes.begin(), boxes.bitmapBytes.end());
    for (QLineEdit* edit : std::as_const(edits))
        QObject::connect(edit, &QLineEdit::textChanged, preview, follow);
    QObject::connect(boxes.uidList, &QComboBox::editTextChanged, preview, follow);
    follow();
    return preview;
}

void SetupPreview::showSetup(const ModuleSetup& setup)
{
    m_lines[0] = sentText(setup.line1);
    m_lines[1] = sentText(setup.line2);
    for (int text = 0; text < ModuleSetup::kTexts; ++text)
        m_lines[size_t(2 + text)] = sentText(setup.texts.at(size_t(text)));
    // No box sends codes 0 to 7 (they go out as "?"): the characters are shown on their own.
    m_lines[Lines - 1] = QByteArray("\x00\x01\x02\x03\x04\x05\x06\x07", 8);
    m_bitmaps.clear();
    m_refused.reset();
    for (int box = 0; box < ModuleSetup::kBitmaps; ++box) {
        const std::optional<quint8> byte = bitmapByte(setup.bitmaps.at(size_t(box)));
        m_bitmaps.append(char(byte.value_or(0)));
        if (!byte)
            m_refused.set(size_t(box / CharacterRom::DotRows));
    }
    m_note.clear();
    if (const std::optional<int> box = refusedBitmap(setup))
        m_note = QStringLiteral("Not sent as it stands: %1 holds no number from 0 to 255.")
                     .arg(bitmapPlace(*box));
    else if (!setup.address())
        m_note = QStringLiteral("Not sent as it stands: the address box holds none of %1 to %2.")
                     .arg(wire::FirstAddress)
                     .arg(wire::LastAddress);
    // For a screen reader, the lines as text and the refusal.
    QStringList lines;
    for (int line = 0; line < Lines - 1; ++line)
        lines.append(QString::fromLatin1(m_lines.at(size_t(line))).trimmed());
    setAccessibleDescription(
        QStringLiteral("Start-up screen: %1 / %2. ").arg(lines.at(0), lines.at(1)) +
        QStringLiteral("Texts: ") + lines.mid(2).join(QStringLiteral(" / ")) +
        QStringLiteral(". ") + m_note);
    update();
}

QSize SetupPreview::sizeHint() const
{
    return {LabelWidth + GlassWidth + Margin, lineTop(Lines) + NoteHeight};
}

void SetupPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawText(QRect(0, 0, width(), TitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("As a module shows it after the upload:"));
    const QColor glass(0xAF, 0xCF, 0x3A);
    const QColor on(0x1F, 0x2E, 0x0C);
    const QColor off(0xA3, 0xC2, 0x30);
    const QColor unknown(0x8C, 0x8C, 0x8C);
    for (int line = 0; line < Lines; ++line) {
        const int top = lineTop(line);
        QString name = line < 2 ? QStringLiteral("Start %1").arg(line + 1)
                                : QStringLiteral("Text %1").arg(line - 1);
        if (line == Lines - 1)
            name = QStringLiteral("CHAR 1-8");
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, top, LabelWidth, CellHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         name);
        painter.fillRect(LabelWidth, top - CellGap, GlassWidth, CellHeight + 2 * CellGap, glass);
        const QByteArray& bytes = m_lines.at(size_t(line));
        for (int column = 0; column < bytes.size(); ++column) {
            const auto code = quint8(bytes.at(column));
            const bool refusedHere = code < 0x10 && m_refused.test(code % 8);
            const CharacterRom::Glyph glyph = CharacterRom::glyph(code, m_bitmaps);
            const int left = LabelWidth + CellGap + column * (CellWidth + CellGap);
            for (int dotRow = 0; dotRow < CharacterRom::DotRows; ++dotRow) {
                for (int dotColumn = 0; dotColumn < CharacterRom::DotColumns; ++dotColumn) {
                    QColor colour = CharacterRom::isDotOn(glyph, dotRow, dotColumn) ? on : off;
                    if (refusedHere)
                        colour = (dotRow + dotColumn) % 2 ? off : unknown;
                    painter.fillRect(left + dotColumn * Dot, top + dotRow * Dot, Dot, Dot, colour);
                }
            }
        }
    }
    if (!m_note.isEmpty()) {
        painter.setPen(QColor(0xB0, 0x00, 0x20));
        painter.drawText(QRect(0, lineTop(Lines), width(), NoteHeight), Qt::TextWordWrap, m_note);
    }
}

} // namespace velnor
