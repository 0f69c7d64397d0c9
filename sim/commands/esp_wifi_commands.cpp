#include "sim/commands/esp_wifi_commands.h"

#include <algorithm>

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdScanBegin = 200;
constexpr std::uint8_t kCmdScanResult = 201;
constexpr std::uint8_t kCmdScanRecord = 202;
constexpr std::uint8_t kCmdGetStaInfo = 203;
constexpr std::uint8_t kCmdSetStaInfo = 204;
constexpr std::uint8_t kCmdGetMode = 205;
constexpr std::uint8_t kCmdSetMode = 206;
constexpr std::uint8_t kCmdModuleOff = 208;
constexpr std::uint8_t kCmdModuleOn = 209;

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

Reply RecordReply(const EspWifiModule::Record& record) {
    return Reply::Ok(std::vector<std::uint8_t>(record.begin(), record.end()));
}

}  // namespace

EspWifiCommands::EspWifiCommands(SimulatedReader& reader, EspWifiModule& module) : module_(module) {
    RegisterScan(reader);
    RegisterSettings(reader);
    reader.SetHandler(kCmdModuleOff, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        module_.SetEnabled(false);
        return Reply::Ok();
    });
    reader.SetHandler(kCmdModuleOn, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        module_.SetEnabled(true);
        return Reply::Ok();
    });
}

void EspWifiCommands::RegisterScan(SimulatedReader& reader) {
    reader.SetHandler(kCmdScanBegin, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        if (!module_.Answers() || !module_.StartScan()) {
            return Reply::Failure(LCEC_WIFI_SCANAP_BEGIN);
        }
        return Reply::Ok();
    });
    reader.SetHandler(kCmdScanResult, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        const std::optional<std::size_t> count = module_.ScanCount();
        if (!module_.Answers() || !count) return Reply::Failure(LCEC_WIFI_SCANAP_RESULT);
        return Reply::Ok({static_cast<std::uint8_t>(*count)});
    });
    reader.SetHandler(kCmdScanRecord, [this](const Request& request) {
        if (request.payload.size() != 1) return Reply::Failure(LCEC_SEND_COMMAND);
        if (!module_.Answers()) return Reply::Failure(LCEC_WIFI_SCANAP_RESULT);
        const std::optional<EspWifiModule::Record> record = module_.ScanRecord(request.payload[0]);
        if (!record) return Reply::Failure(LCEC_WIFI_SCANAP_RESULT);
        return RecordReply(*record);
    });
}

void EspWifiCommands::RegisterSettings(SimulatedReader& reader) {
    reader.SetHandler(kCmdGetStaInfo, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        if (!module_.Answers()) return Reply::Failure(LCEC_WIFI_GET_STAINFO);
        return RecordReply(module_.stationInfo());
    });
    reader.SetHandler(kCmdSetStaInfo, [this](const Request& request) {
        EspWifiModule::Record record{};
        if (request.payload.size() != record.size()) return Reply::Failure(LCEC_SEND_COMMAND);
        if (!module_.Answers()) return Reply::Failure(LCEC_WIFI_SET_STAINFO);
        std::copy(request.payload.begin(), request.payload.end(), record.begin());
        module_.SetStationInfo(record);
        return Reply::Ok();
    });
    reader.SetHandler(kCmdGetMode, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        if (!module_.Answers()) return Reply::Failure(LCEC_WIFI_GET_MODE);
        return Reply::Ok({module_.mode(), 0, 0, 0});
    });
    reader.SetHandler(kCmdSetMode, [this](const Request& request) {
        if (request.payload.size() != 4) return Reply::Failure(LCEC_SEND_COMMAND);
        if (!module_.Answers()) return Reply::Failure(LCEC_WIFI_SET_MODE);
        if (!module_.SetMode(Le32(request.payload))) return Reply::Failure(LCEC_SEND_COMMAND);
        return Reply::Ok();
    });
}

}  // namespace sim
