#include "core/transport/serial_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/transport/poll_wait.h"
#include "core/util/time_units.h"

namespace {

using Clock = PollClock;

// Waits for `events` on fd until the deadline; false on time-out, error or hang-up
// without data.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    return (PollUntil(fd, events, deadline) & events) != 0;
}

bool BaudConstant(int baud, speed_t& speed) {
    struct Rate {
        int baud;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {
        {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
        {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
        {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const Rate& r : kRates) {
        if (r.baud == baud) {
            speed = r.speed;
            return true;
        }
    }
    return false;
}

bool DataBitsFlag(int dataBits, tcflag_t& flag) {
    switch (dataBits) {
        case 5: flag = CS5; return true;
        case 6: flag = CS6; return true;
        case 7: flag = CS7; return true;
        case 8: flag = CS8; return true;
        default: return false;
    }
}

tcflag_t ParityFlags(char parity) {
    switch (parity) {
        case 'E': case 'e': return PARENB;
        case 'O': case 'o': return PARENB | PARODD;
        case 'M': case 'm': return PARENB | CMSPAR | PARODD;
        case 'S': case 's': return PARENB | CMSPAR;
        default: return 0;
    }
}

}  // namespace

SerialTransport::~SerialTransport() { Close(); }

bool SerialTransport::Open(const char* portName, int baud, int dataBits, int stopBitCode,
                           char parity, int timeout) {
    if (fd_ >= 0) return true;
    if (portName == nullptr || portName[0] == '\0') return false;
    int fd = open(portName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (ioctl(fd, TIOCEXCL) != 0 || !Configure(fd, baud, dataBits, stopBitCode, parity, timeout)) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool SerialTransport::Configure(int fd, int baud, int dataBits, int stopBitCode, char parity,
                                int timeout) {
    speed_t speed;
    tcflag_t sizeFlag;
    if (!BaudConstant(baud, speed) || !DataBitsFlag(dataBits, sizeFlag) || stopBitCode < 0 ||
        stopBitCode > 2) {
        return false;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= sizeFlag | ParityFlags(parity) | CLOCAL | CREAD;
    // Code 1 asks for one and a half stop bits, which 8-bit termios lines do not have.
    if (stopBitCode == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
    // tcsetattr succeeds when any part of the request was taken: read the line back.
    termios applied{};
    if (tcsetattr(fd, TCSANOW, &tio) != 0 || tcgetattr(fd, &applied) != 0) return false;
    const tcflag_t lineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    if ((applied.c_cflag & lineBits) != (tio.c_cflag & lineBits) ||
        cfgetospeed(&applied) != speed) {
        return false;
    }
    // Hold RTS on; a pseudo-terminal has no modem lines, so its refusal is harmless.
    int rts = TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &rts);
    const int seconds = timeout / 1000;
    readTimeoutMs_ = SecondsToMs(seconds < 1 ? 1 : seconds);
    return tcflush(fd, TCIOFLUSH) == 0;
}

void SerialTransport::SetReadTimeout(int milliseconds) {
    readTimeoutMs_ = milliseconds < 1 ? 1 : milliseconds;
}

int SerialTransport::Read(std::uint8_t* buffer, int size) {
    if (buffer == nullptr || fd_ < 0 || size <= 0) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs_);
    int received = TakeAhead(buffer, size);
    // Take what is already there and wait only when nothing is: a raw line without a minimum
    // answers 0 bytes at once when empty, so 0 means "gone" only right after a wait.
    bool waited = false;
    while (received < size) {
        ssize_t n = read(fd_, buffer + received, static_cast<size_t>(size - received));
        if (n > 0) {
            received += static_cast<int>(n);
            answeredSinceWrite_ = true;
            waited = false;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if ((n < 0 && errno != EAGAIN) || (n == 0 && waited)) {
            break;  // the line is gone
        } else if (!WaitFor(fd_, POLLIN, deadline)) {
            break;  // the time-out passed
        } else {
            waited = true;
        }
    }
    return received;
}

int SerialTransport::TakeAhead(std::uint8_t* buffer, int size) {
    const int n = std::min(size, aheadEnd_ - aheadStart_);
    if (n <= 0) return 0;
    std::memcpy(buffer, ahead_.data() + aheadStart_, static_cast<std::size_t>(n));
    aheadStart_ += n;
    if (aheadStart_ == aheadEnd_) aheadStart_ = aheadEnd_ = 0;
    return n;
}

int SerialTransport::ReadSome(std::uint8_t* buffer, int size) {
    if (buffer == nullptr || fd_ < 0 || size <= 0) return 0;
    if (aheadEnd_ > aheadStart_) return TakeAhead(buffer, size);
    // Called right after a request went out: its answer is awaited before the first read.
    const auto deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs_);
    for (;;) {
        if (!WaitFor(fd_, POLLIN, deadline)) return 0;
        const ssize_t n = read(fd_, ahead_.data(), ahead_.size());
        if (n > 0) {
            answeredSinceWrite_ = true;
            aheadEnd_ = static_cast<int>(n);
            return TakeAhead(buffer, size);
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) return 0;  // the line is gone
    }
}

int SerialTransport::Write(const std::uint8_t* data, int length) {
    if (data == nullptr || fd_ < 0 || length <= 0) return 0;
    // Unread input always goes. Unsent output can remain only when the last request got no
    // answer (a reader that answered had taken the whole request); flushing the output of a
    // pseudo-terminal disturbs its master side, so it is flushed only then.
    tcflush(fd_, answeredSinceWrite_ ? TCIFLUSH : TCIOFLUSH);
    aheadStart_ = aheadEnd_ = 0;
    answeredSinceWrite_ = false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs_);
    int sent = 0;
    while (sent < length) {
        ssize_t n = write(fd_, data + sent, static_cast<size_t>(length - sent));
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            break;
        } else if (!WaitFor(fd_, POLLOUT, deadline)) {
            break;
        }
    }
    return sent;
}

void SerialTransport::Close() {
    aheadStart_ = aheadEnd_ = 0;
    answeredSinceWrite_ = true;
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
}
