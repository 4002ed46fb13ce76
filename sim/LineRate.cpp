// <asm/termbits.h> declares its own struct termios, so this file must not see
// <termios.h>; keeping the kernel's view here keeps the clash out of the rest.
#include "LineRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace veltra::sim {

std::uint32_t LineRateOf(int masterFd)
{
    struct termios2 settings {};
    if (::ioctl(masterFd, TCGETS2, &settings) != 0) {
        return 0;
    }
    return settings.c_ospeed;
}

}  // namespace veltra::sim
