// The reader's ESP WiFi module: station settings, mode, access-point scan, on and off.
#include <algorithm>

#include "core/modules/module_pause.h"
#include "core/protocol/device_query.h"

namespace {

enum : std::uint8_t {
    kCmdScanBegin = 200,
    kCmdScanResult = 201,
    kCmdApRecord = 202,
    kCmdGetStaInfo = 203,
    kCmdSetStaInfo = 204,
    kCmdGetWifiMode = 205,
    kCmdWriteWifiMode = 206,
    kCmdWifiDisable = 208,
    kCmdWifiEnable = 209,
};

constexpr int kTimeout = 1000;
constexpr std::size_t kStaInfoSize = 48;
constexpr std::size_t kApRecordSize = 48;
constexpr int kModeStation = 1;
constexpr int kModeSoftAp = 2;
constexpr int kModeBoth = 3;

constexpr int kModeReadPauseMs = 100;
constexpr int kModeSettlePauseMs = 1000;
constexpr int kMaxScanWaitMs = 5000;
constexpr int kApRetryPauseMs = 200;
constexpr int kApRecordTries = 3;

}  // namespace

bool ReaderSession::GetStaInfo(std::uint8_t* output) {
    if (output == nullptr) return false;
    return DeviceQuery(
        *this, kCmdGetStaInfo, {}, kTimeout, kStaInfoSize,
        [&](std::span<const std::uint8_t>) { CopyReplyPayload(output, kStaInfoSize); });
}

bool ReaderSession::SetStaInfo(const std::uint8_t* block) {
    if (block == nullptr) return false;
    return CommandExchange(*this, kCmdSetStaInfo, std::span(block, kStaInfoSize), kTimeout);
}

bool ReaderSession::GetWifiMode(std::uint8_t* mode) {
    if (mode == nullptr) return false;
    return DeviceQuery(*this, kCmdGetWifiMode, {}, kTimeout, 1,
                       [&](std::span<const std::uint8_t> reply) { *mode = reply[0]; });
}

bool ReaderSession::WriteWifiMode(int mode) {
    if (mode < kModeStation || mode > kModeBoth) return false;
    return CommandExchange(*this, kCmdWriteWifiMode, Le32Bytes(static_cast<std::uint32_t>(mode)),
                           kTimeout);
}

bool ReaderSession::WifiDisable() { return CommandExchange(*this, kCmdWifiDisable, {}, kTimeout); }

bool ReaderSession::WifiEnable() { return CommandExchange(*this, kCmdWifiEnable, {}, kTimeout); }

bool ReaderSession::SetWifiMode(int mode) {
    std::uint8_t current = 0;
    if (!GetWifiMode(&current)) return false;
    ModulePause(kModeReadPauseMs);
    if (!GetWifiMode(&current)) return false;
    if (current == mode) return true;
    if (!WriteWifiMode(mode)) {
        SetErrorCode(LCEC_WIFI_SET_MODE);
        return false;
    }
    for (int reading = 0; reading < 2; ++reading) {
        ModulePause(kModeSettlePauseMs);
        if (!GetWifiMode(&current)) {
            SetErrorCode(LCEC_WIFI_GET_MODE);
            return false;
        }
    }
    // A module that took the write but kept its old mode has not been set.
    if (current != mode) {
        SetErrorCode(LCEC_WIFI_SET_MODE);
        return false;
    }
    return true;
}

bool ReaderSession::ScanAp(std::uint8_t* records, int capacity, int waitMs) {
    if (records == nullptr) return false;
    std::uint8_t mode = 0;
    ModulePause(kModeReadPauseMs);
    if (!GetWifiMode(&mode)) return false;
    ModulePause(kModeReadPauseMs);
    if (!GetWifiMode(&mode)) return false;
    // An access point alone cannot scan.
    if (mode == kModeSoftAp) {
        SetErrorCode(LCEC_WIFI_SCANAP_BEGIN);
        return false;
    }
    if (!CommandExchange(*this, kCmdScanBegin, {}, kTimeout)) return false;
    ModulePause(std::clamp(waitMs, 0, kMaxScanWaitMs));

    std::uint8_t count = 0;
    if (!DeviceQuery(*this, kCmdScanResult, {}, kTimeout, 1,
                     [&](std::span<const std::uint8_t> reply) { count = reply[0]; })) {
        return false;
    }
    for (int index = 0; index < count; ++index) {
        const std::uint8_t request[] = {static_cast<std::uint8_t>(index)};
        bool read = false;
        for (int attempt = 0; attempt < kApRecordTries && !read; ++attempt) {
            if (attempt > 0) ModulePause(kApRetryPauseMs);
            read = DeviceQuery(*this, kCmdApRecord, request, kTimeout, kApRecordSize,
                               [&](std::span<const std::uint8_t>) {
                                   if (index < capacity) {
                                       CopyReplyPayload(records + kApRecordSize * index,
                                                        kApRecordSize);
                                   }
                               });
        }
        if (!read) return index > 0;
    }
    return true;
}
