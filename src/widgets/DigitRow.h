#pragma once

#include <QtGlobal>

class QLabel;
class QWidget;

namespace velnor {

// Puts the digits of a caption of digits and blanks ("1 2 3 ...") each under one of a row of
// equally spaced controls: blanks are narrower than the controls' pitch in most fonts, so the
// caption's word spacing is widened or narrowed and the caption moved under the first control.
// A caption whose digits are not as many as expected is left as it is.
void alignDigitsUnder(QLabel* digits, const QWidget* firstControl, int controls, qreal pitch);

} // namespace velnor
