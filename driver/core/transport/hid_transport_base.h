#pragma once

#include <cstdint>

// A USB HID reader reached through 64-byte reports.
class HidTransportBase {
public:
    virtual ~HidTransportBase() = default;
    // Opens the index-th attached reader (0 = first) with these identifiers.
    virtual bool Open(int vendor, int product, int index) = 0;
    // Reads one reader frame reassembled from reports; timeout in milliseconds.
    virtual bool ReadFrame(std::uint8_t* buffer, int size, int timeout) = 0;
    // Writes one reader frame (or any byte string) as reports.
    virtual bool Write(const std::uint8_t* frame, int length) = 0;
    virtual void Close() = 0;
    // Number of attached readers with these identifiers, as seen when the transport was built.
    virtual int GetDeviceCount(int vendor, int product) = 0;
    // Reads one non-empty report.
    virtual bool ReadReport(std::uint8_t* buffer, int size, int timeout) = 0;
    // Drops reports that arrived unasked, so a late reply is never read as the next one.
    virtual void DiscardInput() = 0;
};
