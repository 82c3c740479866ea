#pragma once

#include <QWidget>

#include <array>
#include <optional>

namespace velnor {

// One character cell of the module's display, drawn dot by dot the way the module draws a
// custom character: five dots a row, eight rows, dark on the green backlight.
class CharacterPreview final : public QWidget
{
    Q_OBJECT
public:
    explicit CharacterPreview(QWidget* parent = nullptr);

    // A row holding no number is drawn hatched.
    void setRows(const std::array<std::optional<quint8>, 8>& rows);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<std::optional<quint8>, 8> m_rows{};
};

} // namespace velnor
