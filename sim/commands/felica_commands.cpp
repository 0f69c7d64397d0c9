#include "sim/commands/felica_commands.h"

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdFelicaPolling = 21;

}  // namespace

FelicaCommands::FelicaCommands(SimulatedReader& reader, const CardField& field)
    : slot_(field, 'F') {
    reader.SetHandler(kCmdFelicaPolling, [this](const Request& request) {
        if (request.payload.size() != 1) return Reply::Failure(LCEC_SEND_COMMAND);
        const FelicaCard* card = slot_.Reachable();
        const auto answer = card == nullptr
                                ? std::nullopt
                                : card->Polling(FelicaCard::kAnySystem, request.payload[0]);
        if (!answer) return Reply::Failure(LCEC_REQUEST);
        return Reply::Ok(std::vector<std::uint8_t>(answer->begin() + 1, answer->end()));
    });
}

}  // namespace sim
