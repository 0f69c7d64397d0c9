#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "sim/device/esp_boot_loader.h"

namespace sim {

// The ESP WiFi module behind the reader's MCU: its running firmware (mode, station
// settings, access-point scan) and its ROM boot loader. While the module is switched off or
// sits in its boot loader, its firmware answers nothing.
class EspWifiModule {
  public:
    using Record = std::array<std::uint8_t, 48>;
    static constexpr std::uint8_t kModeStation = 1;
    static constexpr std::uint8_t kModeSoftAp = 2;
    static constexpr std::uint8_t kModeBoth = 3;

    // The firmware answers: switched on and not in the boot loader.
    bool Answers() const { return enabled_ && !inBootLoader_; }
    bool enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }

    std::uint8_t mode() const { return mode_; }
    // Modes 1 to 3; false for any other. A module that keeps its mode acknowledges the
    // change and stays as it was.
    bool SetMode(std::uint32_t mode);
    void KeepModeOnChange(bool keep) { keepMode_ = keep; }

    const Record& stationInfo() const { return station_; }
    void SetStationInfo(const Record& record) { station_ = record; }

    // What the next scans find.
    void SetAccessPoints(std::vector<Record> records) { accessPoints_ = std::move(records); }
    // Starts a scan: false in mode 2 (an access point alone cannot scan). The results of
    // the last scan stay readable until the next one.
    bool StartScan();
    // Number of records the last scan found; nothing before any scan.
    std::optional<std::size_t> ScanCount() const;
    // Record index of the last scan; nothing past the count, or while reads of that index
    // are set to fail.
    std::optional<Record> ScanRecord(std::size_t index);
    // Fault: the next `times` reads of record index fail.
    void FailRecordReads(std::size_t index, int times) { failingReads_[index] = times; }

    bool inBootLoader() const { return inBootLoader_; }
    // Resets the module into its boot loader, or back into its firmware.
    void EnterBootLoader();
    void LeaveBootLoader() { inBootLoader_ = false; }
    EspBootLoader& bootLoader() { return bootLoader_; }
    const EspBootLoader& bootLoader() const { return bootLoader_; }

  private:
    bool enabled_ = true;
    std::uint8_t mode_ = kModeStation;
    bool keepMode_ = false;
    Record station_{};
    std::vector<Record> accessPoints_;
    std::optional<std::vector<Record>> scanResults_;
    std::map<std::size_t, int> failingReads_;
    bool inBootLoader_ = false;
    EspBootLoader bootLoader_;
};

}  // namespace sim
