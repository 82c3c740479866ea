#pragma once

class QWidget;

namespace velnor {

// Makes the windows' fonts available where the desktop does not list them: Debian ships a
// Tahoma of matching metrics with its Wine fonts, in a folder fontconfig does not search.
void registerWindowFonts();

// The windows' own look: their icon and Tahoma 8.25 pt.
void useWindowLook(QWidget* window);

// A text box that looks like the module's display: black bold Arial 8.25 pt on pure green.
void lookLikeTheDisplay(QWidget* box);

// A line of the traffic monitor: dark blue on pale yellow.
void lookLikeTheMonitor(QWidget* line);

// The classic widget style, whose group frames carry their caption on the border: the
// windows' pixel positions are laid out for it.
void useClassicStyle();

} // namespace velnor
