#include "PseudoTerminal.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace veltra::sim {

PseudoTerminal::PseudoTerminal()
{
    struct termios raw {};
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[256] = {};
    int slave = -1;
    if (::openpty(&master_, &slave, name, &raw, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    // Only the tool holds the slave open; while it has it closed the master
    // reports a hang-up, which the module waits out.
    ::close(slave);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    path_ = name;
}

PseudoTerminal::~PseudoTerminal() { ::close(master_); }

}  // namespace veltra::sim
