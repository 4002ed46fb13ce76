#include "PosixSerial.h"

// termios2 and BOTHER come from the kernel's header; glibc's <termios.h> defines
// a different struct termios under the same name, so it must not be included here.
#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace veltra::posix {

namespace {

// Releases what OpenSerialPort took so far, keeping the errno it failed with.
int FailOpen(int fd, int code, bool locked, bool exclusive)
{
    if (exclusive) {
        ::ioctl(fd, TIOCNXCL);
    }
    if (locked) {
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return code;
}

void MakeRaw8N1(struct termios2& t, uint32_t baudRate)
{
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF
                                        | IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD
                                        | (CBAUD << IBSHIFT));
    t.c_cflag |= CS8 | CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baudRate;
    t.c_ospeed = baudRate;
    // VMIN 1 keeps a non-blocking read with nothing queued at EAGAIN, so that a
    // read returning 0 always means the line hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

}  // namespace

int OpenSerialPort(const std::string& path, uint32_t baudRate, int& error)
{
    error = 0;
    if (baudRate == 0) {
        error = EINVAL;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (!::isatty(fd)) {
        error = FailOpen(fd, ENOTTY, false, false);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Somebody else holds the port: say "busy", not "try again".
        const int code = errno == EWOULDBLOCK ? EBUSY : errno;
        error = FailOpen(fd, code, false, false);
        return -1;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        error = FailOpen(fd, errno, true, false);
        return -1;
    }
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) {
        error = FailOpen(fd, errno, true, true);
        return -1;
    }
    MakeRaw8N1(t, baudRate);
    if (::ioctl(fd, TCSETS2, &t) != 0) {
        error = FailOpen(fd, errno, true, true);
        return -1;
    }
    // Modem lines: the module is powered and reset independently, so DTR and RTS
    // stay low. Pseudo-terminals have no modem lines and refuse; that is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    // Without low latency some UART drivers hold received bytes back for up to a
    // tick before the reader sees them. Drivers without TIOCGSERIAL just refuse.
    struct serial_struct serial {};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
    ::ioctl(fd, TCFLSH, TCIOFLUSH);
    return fd;
}

void CloseSerialPort(int fd, uint32_t baudRate, int capMs)
{
    if (fd < 0) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        // Ten bit times per byte, half as much again for slow drivers, plus a margin.
        const long rate = std::max<long>(baudRate, 1);
        const long needMs = static_cast<long>(queued) * 10 * 1000 / rate * 3 / 2 + 100;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::min<long>(needMs, capMs));
        while (queued > 0 && Clock::now() < deadline) {
            // The kernel has no bounded drain, so look at the queue every few ms.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (::ioctl(fd, TIOCOUTQ, &queued) != 0) {
                break;
            }
        }
    }
    // Whatever is still queued now would only make close() wait for the driver's
    // closing time-out (30 s by default). Only then is the output flushed: on a
    // pseudo-terminal, whose queue always reads empty, an output flush throws away
    // what the other side has not read yet.
    ::ioctl(fd, TCFLSH, queued > 0 ? TCIOFLUSH : TCIFLUSH);
    int dtr = TIOCM_DTR;
    ::ioctl(fd, TIOCMBIC, &dtr);
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

long WriteAll(int fd, int wakeFd, const uint8_t* data, long length, int deadlineMs, int& error)
{
    using Clock = std::chrono::steady_clock;
    error = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    long done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            error = errno;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error = ETIMEDOUT;
            break;
        }
        struct pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, wakeFd >= 0 ? 2 : 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            error = errno;
            break;
        }
        if (wakeFd >= 0 && (fds[1].revents & POLLIN) != 0) {
            error = ECANCELED;
            break;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (fds[0].revents & POLLOUT) == 0) {
            error = EIO;
            break;
        }
    }
    return done;
}

bool ReadLineSettings(int fd, LineSettings& settings)
{
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) {
        return false;
    }
    settings.inputSpeed = t.c_ispeed;
    settings.outputSpeed = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
    case CS5: settings.dataBits = 5; break;
    case CS6: settings.dataBits = 6; break;
    case CS7: settings.dataBits = 7; break;
    default: settings.dataBits = 8; break;
    }
    settings.parity = (t.c_cflag & PARENB) != 0;
    settings.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    settings.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    settings.softwareFlowOut = (t.c_iflag & IXON) != 0;
    settings.softwareFlowIn = (t.c_iflag & IXOFF) != 0;
    settings.raw = (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (t.c_oflag & OPOST) == 0
                   && (t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) == 0;
    settings.receiverOn = (t.c_cflag & CREAD) != 0;
    settings.ignoreModemLines = (t.c_cflag & CLOCAL) != 0;
    return true;
}

std::string ErrorText(int code)
{
    // strerror() may share one buffer between threads; the description is constant.
    const char* text = ::strerrordesc_np(code);
    return text != nullptr ? text : "Unknown error " + std::to_string(code);
}

}  // namespace veltra::posix
