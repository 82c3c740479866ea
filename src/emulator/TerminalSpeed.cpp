#include "emulator/TerminalSpeed.h"

// The kernel's own terminal settings carry the speed as a number; they cannot share a file
// with the C library's <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <climits>

namespace velnor {

int terminalSpeed(int fd)
{
    termios2 settings{};
    if (::ioctl(fd, TCGETS2, &settings) != 0 || settings.c_ospeed > unsigned(INT_MAX))
        return 0;
    return int(settings.c_ospeed);
}

} // namespace velnor
