#include "sim/device/esp_wifi_module.h"

namespace sim {

bool EspWifiModule::SetMode(std::uint32_t mode) {
    if (mode < kModeStation || mode > kModeBoth) return false;
    if (!keepMode_) mode_ = static_cast<std::uint8_t>(mode);
    return true;
}

bool EspWifiModule::StartScan() {
    if (mode_ == kModeSoftAp) return false;
    scanResults_ = accessPoints_;
    return true;
}

std::optional<std::size_t> EspWifiModule::ScanCount() const {
    if (!scanResults_) return std::nullopt;
    return scanResults_->size();
}

std::optional<EspWifiModule::Record> EspWifiModule::ScanRecord(std::size_t index) {
    if (!scanResults_ || index >= scanResults_->size()) return std::nullopt;
    const auto failing = failingReads_.find(index);
    if (failing != failingReads_.end() && failing->second > 0) {
        --failing->second;
        return std::nullopt;
    }
    return (*scanResults_)[index];
}

void EspWifiModule::EnterBootLoader() {
    inBootLoader_ = true;
    bootLoader_.Reset();
}

}  // namespace sim
