#pragma once

#include <functional>
#include <string>

#include "core/transport/hid_backend.h"

// Linux hidraw: interfaces listed from <sysRoot>/class/hidraw/*/device/uevent
// (HID_ID=0003:VVVVVVVV:PPPPPPPP, USB only), nodes opened as <devRoot>/hidrawN.
class HidrawBackend : public HidBackend {
public:
    // Opens a device node and returns its descriptor, or -1.
    using Opener = std::function<int(const std::string& path)>;

    HidrawBackend();
    HidrawBackend(std::string sysRoot, std::string devRoot, Opener opener);

    // Sorted by hidraw number (hidraw2 before hidraw10); no limit on the count.
    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> OpenDevice(const std::string& path) override;

private:
    std::string sysRoot_;
    std::string devRoot_;
    Opener opener_;
};

// Reads vendor and product from the text of a hidraw parent's uevent file; false when it
// names no USB HID device.
bool ParseHidUevent(const std::string& uevent, std::uint16_t& vendorId, std::uint16_t& productId);
