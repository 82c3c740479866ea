#pragma once

#include <QAbstractButton>

namespace velnor {

// One dot of a custom character: a small square that is lit when checked. A dot whose row
// holds no number is shown hatched, as unknown.
class DotButton final : public QAbstractButton
{
    Q_OBJECT
public:
    explicit DotButton(QWidget* parent = nullptr);

    void setUnknown(bool unknown);
    bool isUnknown() const { return m_unknown; }

    QSize sizeHint() const override { return {9, 9}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_unknown = false;
};

} // namespace velnor
