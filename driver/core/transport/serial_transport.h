#pragma once

#include <array>
#include <cstdint>

#include "core/transport/serial_transport_base.h"

// A reader on a termios serial port (USB serial adapters, pseudo-terminals).
// The session opens it at 115200 baud, 8 data bits, no parity, one stop bit.
class SerialTransport : public SerialTransportBase {
public:
    SerialTransport() = default;
    ~SerialTransport() override;
    SerialTransport(const SerialTransport&) = delete;
    SerialTransport& operator=(const SerialTransport&) = delete;

    // Opens portName exclusively (TIOCEXCL) without making it the controlling terminal.
    // True at once when already open. The read time-out becomes the open time-out in
    // whole seconds, at least one.
    bool Open(const char* portName, int baud, int dataBits, int stopBitCode, char parity,
              int timeout) override;
    // Waits up to the read time-out in all; returns the bytes that arrived (0 on error).
    int Read(std::uint8_t* buffer, int size) override;
    // Bytes taken in earlier and not handed out yet, else one read of all that has arrived
    // (up to 512 bytes) after one wait; what size does not take is kept for the next reads.
    int ReadSome(std::uint8_t* buffer, int size) override;
    // Discards unread input and unsent output (output only when nothing was read since the
    // last write: an answer means the request left whole), then writes all bytes within the
    // read time-out; returns the number written.
    int Write(const std::uint8_t* data, int length) override;
    void Close() override;
    // Raw line: baud, data bits 5-8, parity 'E'/'O'/'M'/'S' (any other character: none),
    // stop-bit code 0 or 1 for one stop bit, 2 for two. No flow control. Flushes both
    // directions. False for a rate or setting the port does not take.
    bool Configure(int fd, int baud, int dataBits, int stopBitCode, char parity,
                   int timeout) override;
    void SetReadTimeout(int milliseconds) override;

    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    int readTimeoutMs_ = 1000;
    // Bytes were read since the last write: the reader took that request whole.
    bool answeredSinceWrite_ = true;
    // Bytes ReadSome took in and has not handed out yet: [aheadStart_, aheadEnd_).
    int TakeAhead(std::uint8_t* buffer, int size);
    std::array<std::uint8_t, 512> ahead_{};
    int aheadStart_ = 0;
    int aheadEnd_ = 0;
};
