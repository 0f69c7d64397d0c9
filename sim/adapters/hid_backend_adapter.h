#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/transport/hid_backend.h"
#include "sim/adapters/reader_port.h"

namespace sim {

// The simulated reader behind the driver's HID backend interface, in process: the reader
// listed as USB interfaces (by default one, vendor 0x051A product 0x511B), each open one
// taking 65-byte output reports and answering with 64-byte input reports.
//
// Requests are put together from reports as the reader's firmware does: the first report
// holds the frame's first 64 bytes, each later one a count byte (255 for 63 bytes) and its
// bytes. Replies go out the same way; the parts of a split reply are joined first, as a USB
// reader always sends whole reports, and a report is not there before its part's time.
class HidBackendAdapter : public HidBackend {
public:
    static constexpr std::uint16_t kVendor = 0x051A;
    static constexpr std::uint16_t kProduct = 0x511B;
    static constexpr const char* kPath = "sim:hidraw0";

    explicit HidBackendAdapter(ReaderPort& port);
    HidBackendAdapter(ReaderPort& port, std::vector<HidDeviceInfo> devices);

    std::vector<HidDeviceInfo> Enumerate() override { return devices_; }
    // Every listed path opens onto the same simulated reader.
    std::unique_ptr<HidDevice> OpenDevice(const std::string& path) override;

private:
    ReaderPort& port_;
    std::vector<HidDeviceInfo> devices_;
};

}  // namespace sim
