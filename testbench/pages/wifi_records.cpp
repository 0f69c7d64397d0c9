#include "testbench/pages/wifi_records.h"

#include "testbench/core/gbk_text.h"

namespace bench {

namespace {

int Signed16(std::span<const std::uint8_t, kApRecordSize> record, std::size_t at) {
    return static_cast<std::int16_t>(record[at] | record[at + 1] << 8);
}

}  // namespace

std::optional<AccessPoint> ReadAccessPoint(std::span<const std::uint8_t, kApRecordSize> record) {
    if (record[0] == 0) return std::nullopt;
    AccessPoint ap;
    ap.ssid = FromGbk(reinterpret_cast<const char*>(record.data()), 32);
    ap.channel = record[32];
    ap.rssi = static_cast<std::int8_t>(record[33]);
    ap.encryption = record[34];
    ap.hidden = record[35];
    ap.frequencyOffset = Signed16(record, 36);
    ap.frequencyCorrection = Signed16(record, 38);
    return ap;
}

std::vector<AccessPoint> AccessPointsOf(const ScanBuffer& records) {
    std::vector<AccessPoint> found;
    for (std::size_t i = 0; i < kApRecords; ++i) {
        const auto record = std::span(records).subspan(i * kApRecordSize).first<kApRecordSize>();
        if (auto ap = ReadAccessPoint(record)) found.push_back(std::move(*ap));
    }
    return found;
}

QString WifiModeName(int mode) {
    switch (mode) {
        case 1:
            return QStringLiteral("STATION");
        case 2:
            return QStringLiteral("SOFTAP");
        case 3:
            return QStringLiteral("SOFTAP+STASION");
        default:
            return QStringLiteral("未知模式");
    }
}

}  // namespace bench
