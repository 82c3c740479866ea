#pragma once

namespace velnor {

// Makes the windows' fonts available where the desktop does not list them: Debian ships a
// Tahoma of matching metrics with its Wine fonts, in a folder fontconfig does not search.
void registerWindowFonts();

// The classic widget style, whose group frames carry their caption on the border: the
// windows' pixel positions are laid out for it.
void useClassicStyle();

} // namespace velnor
