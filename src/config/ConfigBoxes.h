#pragma once

#include "protocol/ModuleSetup.h"

#include <array>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace velnor {

class CharacterEditor;

// The configuration window's controls, made on it and laid out by index (the text and bitmap
// boxes are control arrays), and what they hold read as a ModuleSetup or written from one.
class ConfigBoxes final
{
public:
    // Makes the controls as children of window, in their focus order, and gives it its look
    // and fixed size.
    explicit ConfigBoxes(QWidget& window);

    ModuleSetup setup() const;
    void show(const ModuleSetup& setup);
    // field as the upload plan numbers the boxes it fills out.
    void fill(int field, const QString& text);
    // Held, nothing in the boxes can be changed by the user.
    void setEditable(bool editable);
    // The bitmap box given, or the address list.
    QWidget* boxToMend(std::optional<int> bitmap) const;
    // The second note; a long text is cut in the middle, the whole of it is the tip.
    void showProgress(const QString& text);

    QComboBox* uidList = nullptr;
    QRadioButton* speed9600 = nullptr;
    QRadioButton* speed4800 = nullptr;
    QLineEdit* startupLine1 = nullptr;
    QLineEdit* startupLine2 = nullptr;
    std::array<QLineEdit*, ModuleSetup::kTexts> storedTexts{};
    std::array<QLineEdit*, ModuleSetup::kBitmaps> bitmapBytes{};
    CharacterEditor* editor = nullptr;
    QPushButton* uploadButton = nullptr;
    QPushButton* saveButton = nullptr;
    // What an upload would do to the modules; how the last upload or save went.
    QLabel* targetNote = nullptr;
    QLabel* progressNote = nullptr;

private:
    static void showBitmap(QLineEdit* box, const QString& value);

    QWidget& m_window;
};

} // namespace velnor
