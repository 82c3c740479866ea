#pragma once

#include <QAbstractButton>

namespace velnor {

// A slide switch for one input: to the right (checked) the contact is closed, to the left it
// is open.
class InputSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    InputSwitch(int number, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_number;
};

} // namespace velnor
