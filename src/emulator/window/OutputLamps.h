#pragma once

#include <QWidget>

namespace velnor {

// A module's eight outputs as a row of numbered lamps, lit for an output switched on.
class OutputLamps : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Pitch = 34;

    explicit OutputLamps(QWidget* parent = nullptr);

    // Bit n is output n + 1.
    void setOutputs(quint8 outputs);
    quint8 outputs() const { return m_outputs; }

    QSize sizeHint() const override;
    // The centre of lamp n (0 to 7), in widget coordinates.
    QPoint lampCentre(int index) const;
    static QColor lampColour(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    quint8 m_outputs = 0;
};

} // namespace velnor
