#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One attached HID interface as the platform lists it.
struct HidDeviceInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string path;
};

// An opened HID interface.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // Writes one output report (report id first). True when all of it went out in time.
    virtual bool WriteReport(const std::uint8_t* report, std::size_t length, int timeoutMs) = 0;
    // Waits up to timeoutMs for one input report (data bytes, no report id) and copies at
    // most size bytes of it. Returns the byte count, 0 when no report came in time, -1 when
    // the device failed or is gone. A wait that ends leaves no request behind.
    virtual int ReadReport(std::uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
};

// The platform side of the HID transport: listing and opening interfaces.
class HidBackend {
public:
    virtual ~HidBackend() = default;
    // The attached interfaces, in a stable order.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // Null when the path cannot be opened.
    virtual std::unique_ptr<HidDevice> OpenDevice(const std::string& path) = 0;
};
