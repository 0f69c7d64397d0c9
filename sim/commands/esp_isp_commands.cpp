#include "sim/commands/esp_isp_commands.h"

#include <algorithm>

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdEnterIsp = 15;
constexpr std::uint8_t kCmdSync = 16;
constexpr std::uint8_t kCmdFlashBegin = 17;
constexpr std::uint8_t kCmdFlashData = 18;
constexpr std::uint8_t kCmdLeaveIsp = 19;

}  // namespace

EspIspCommands::EspIspCommands(SimulatedReader& reader, EspWifiModule& module) : module_(module) {
    reader.SetHandler(kCmdEnterIsp, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        module_.EnterBootLoader();
        return Reply::Ok();
    });
    for (const std::uint8_t command : {kCmdSync, kCmdFlashBegin}) {
        reader.SetHandler(command, [this](const Request& request) {
            if (request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
            return Relay(request.payload, true);
        });
    }
    reader.SetHandler(kCmdFlashData, [this](const Request& request) {
        if (request.payload.empty() || request.payload.size() > kMaxPiece) {
            return Reply::Failure(LCEC_SEND_COMMAND);
        }
        return Relay(request.payload, false);
    });
    reader.SetHandler(kCmdLeaveIsp, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        module_.LeaveBootLoader();
        return Reply::Ok();
    });
}

Reply EspIspCommands::Relay(const std::vector<std::uint8_t>& bytes, bool wholePacket) {
    // Outside its boot loader the module's firmware takes the bytes for noise.
    if (!module_.inBootLoader()) return Reply::Failure(LCEC_RECV_TIME_OUT);
    const EspBootLoader::Exchange exchange = module_.bootLoader().Receive(bytes);
    if (exchange.packets == 0 && !wholePacket) return Reply::Ok();
    if (exchange.responses.size() < std::max<std::size_t>(exchange.packets, 1)) {
        return Reply::Failure(LCEC_RECV_TIME_OUT);
    }
    for (const EspBootLoader::Response& response : exchange.responses) {
        if (response.status != 0) {
            Reply refused = Reply::Failure(LCEC_SEND_COMMAND);
            refused.payload.insert(refused.payload.end(), {response.status, response.error});
            return refused;
        }
    }
    return Reply::Ok(exchange.responses.back().packet);
}

}  // namespace sim
