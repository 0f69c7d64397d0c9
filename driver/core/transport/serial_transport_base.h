#pragma once

#include <cstdint>

// A reader on a serial port. Port names are device paths (/dev/ttyUSB0, /dev/pts/3).
class SerialTransportBase {
public:
    virtual ~SerialTransportBase() = default;
    // timeout: the open time-out in milliseconds; it also sets the read time-out.
    virtual bool Open(const char* portName, int baud, int dataBits, int stopBitCode, char parity,
                      int timeout) = 0;
    // Returns the number of bytes read; fewer than asked when the read time-out passes.
    virtual int Read(std::uint8_t* buffer, int size) = 0;
    // Up to size bytes (at least 1) of what has arrived, waiting up to the read time-out for
    // the first; 0 when nothing came. A transport may take in more than size bytes and hand
    // the rest to the reads that follow (until the next write discards them).
    virtual int ReadSome(std::uint8_t* buffer, int size) { return Read(buffer, size > 0 ? 1 : 0); }
    // Discards unread input, then writes; returns the number of bytes written.
    virtual int Write(const std::uint8_t* data, int length) = 0;
    virtual void Close() = 0;
    virtual bool Configure(int fd, int baud, int dataBits, int stopBitCode, char parity,
                           int timeout) = 0;
    // Read time-out in milliseconds for the reads that follow (a reply is awaited up to
    // the command's time-out).
    virtual void SetReadTimeout(int milliseconds) = 0;
};
