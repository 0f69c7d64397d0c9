#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/transport/hid_backend.h"
#include "core/transport/hid_transport_base.h"

// The readers attached when the transport was built, in the backend's order.
using HidDeviceTable = std::vector<HidDeviceInfo>;

// A USB HID reader: frames go out as 64-byte reports (65 with report id 0) and replies are
// put together from reports.
class HidTransport : public HidTransportBase {
public:
    static constexpr int kReportSize = 64;

    // Lists the attached interfaces once, through the default backend (hidraw unless a
    // factory was set with SetHidBackendFactory).
    HidTransport();
    explicit HidTransport(std::unique_ptr<HidBackend> backend);
    ~HidTransport() override;
    HidTransport(const HidTransport&) = delete;
    HidTransport& operator=(const HidTransport&) = delete;

    bool Open(int vendor, int product, int index) override;
    // The first report gives the length byte T; T + 1 bytes are gathered, each report
    // awaited up to `timeout` ms. False when size < 64 or < T + 1.
    bool ReadFrame(std::uint8_t* buffer, int size, int timeout) override;
    // First report: the first 64 bytes as they are; later ones: a count byte (255 for a
    // full 63, else the rest) and up to 63 bytes.
    bool Write(const std::uint8_t* frame, int length) override;
    void Close() override;
    int GetDeviceCount(int vendor, int product) override;
    // Waits up to max(timeout, 1000) ms for a report whose first byte is not 0; empty
    // reports are skipped while fewer than `timeout` ms have passed.
    bool ReadReport(std::uint8_t* buffer, int size, int timeout) override;
    void DiscardInput() override;

    bool IsOpen() const { return device_ != nullptr; }
    std::uint16_t VendorId() const { return vendorId_; }
    std::uint16_t ProductId() const { return productId_; }
    const std::string& DevicePath() const { return devicePath_; }

private:
    std::unique_ptr<HidBackend> backend_;
    HidDeviceTable deviceTable_;
    std::unique_ptr<HidDevice> device_;
    std::uint16_t vendorId_ = 0;
    std::uint16_t productId_ = 0;
    std::string devicePath_;
};

// Makes the backend of default-built transports; an empty factory restores hidraw.
using HidBackendFactory = std::function<std::unique_ptr<HidBackend>()>;
void SetHidBackendFactory(HidBackendFactory factory);
