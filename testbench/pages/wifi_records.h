#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bench {

// The WiFi module's 48-byte station record: SSID 16 at 0, pass phrase 16 at 16, then IPv4
// address, mask, DNS server and gateway (4 bytes each, first octet first) at 32, 36, 40, 44.
using StationRecord = std::array<std::uint8_t, 48>;
inline constexpr std::size_t kStaSsid = 0;
inline constexpr std::size_t kStaPassPhrase = 16;
inline constexpr std::size_t kStaTextSize = 16;
inline constexpr std::size_t kStaAddress = 32;
inline constexpr std::size_t kStaMask = 36;
inline constexpr std::size_t kStaDns = 40;
inline constexpr std::size_t kStaGateway = 44;

// One access point of a scan record (48 bytes); nothing when its SSID is empty.
struct AccessPoint {
    QString ssid;  // the 32-byte field up to its first zero
    int channel = 0;
    int rssi = 0;
    int encryption = 0;
    int hidden = 0;
    int frequencyOffset = 0;
    int frequencyCorrection = 0;
};
inline constexpr std::size_t kApRecordSize = 48;
inline constexpr int kApRecords = 16;
std::optional<AccessPoint> ReadAccessPoint(std::span<const std::uint8_t, kApRecordSize> record);
// The buffer of a scan: kApRecords records.
using ScanBuffer = std::array<std::uint8_t, kApRecordSize * kApRecords>;
// The access points of a scan buffer, in record order.
std::vector<AccessPoint> AccessPointsOf(const ScanBuffer& records);

// "STATION", "SOFTAP", "SOFTAP+STASION" for modes 1 to 3, "未知模式" otherwise.
QString WifiModeName(int mode);

}  // namespace bench
