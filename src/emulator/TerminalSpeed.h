#pragma once

namespace velnor {

// The speed in bit/s that the terminal open on fd sends at, as whoever holds it last set it;
// 0 when it cannot be read. Any speed, not only the standard ones.
int terminalSpeed(int fd);

} // namespace velnor
