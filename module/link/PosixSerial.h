#pragma once

#include <cstdint>
#include <string>

// Thin wrappers over the Linux tty interface. The termios2 structures of
// <asm/termbits.h> clash with glibc's <termios.h>, so everything that needs them
// lives in PosixSerial.cpp and nothing here exposes a termios type.
namespace veltra::posix {

// Opens `path` as an exclusively held serial line: a tty only, O_RDWR |
// O_NOCTTY | O_NONBLOCK, TIOCEXCL plus flock(LOCK_EX | LOCK_NB) (root ignores
// TIOCEXCL, the lock still keeps out a second opener), raw 8N1 at `baudRate`
// (any rate, set with BOTHER), no flow control, DTR and RTS off where the driver
// has modem lines, both queues purged, low latency asked for where the driver
// has it. Returns the descriptor, or -1 with `error` set to an errno value.
int OpenSerialPort(const std::string& path, uint32_t baudRate, int& error);

// Waits, at most about as long as the queued bytes need at `baudRate` plus a
// margin (never more than `capMs`), for the output queue to empty; then discards
// whatever is left in both directions, drops the exclusive hold and closes.
// tcdrain() is not used: on a stuck line it never returns, and close() itself
// would then block for the driver's closing wait.
void CloseSerialPort(int fd, uint32_t baudRate, int capMs = 2000);

// Writes all of `data`, waiting for room while the driver's queue is full, until
// `deadlineMs` has passed or `wakeFd` becomes readable. Returns the byte count
// written; `error` is the errno of a failed write (0 when none failed).
long WriteAll(int fd, int wakeFd, const uint8_t* data, long length, int deadlineMs, int& error);

// Line settings read back with TCGETS2 (tests read them from a pty master,
// which reports the slave's settings).
struct LineSettings {
    uint32_t inputSpeed = 0;
    uint32_t outputSpeed = 0;
    int dataBits = 0;
    bool parity = false;
    bool twoStopBits = false;
    bool hardwareFlow = false;   // CRTSCTS
    bool softwareFlowOut = false; // IXON
    bool softwareFlowIn = false;  // IXOFF
    bool raw = false;            // no canonical mode, echo, signals or output processing
    bool receiverOn = false;     // CREAD
    bool ignoreModemLines = false; // CLOCAL
};
bool ReadLineSettings(int fd, LineSettings& settings);

// The system's text for errno value `code` ("Permission denied").
std::string ErrorText(int code);

}  // namespace veltra::posix
