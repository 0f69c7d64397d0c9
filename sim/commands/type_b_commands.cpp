#include "sim/commands/type_b_commands.h"

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdRequestB = 27;
constexpr std::uint8_t kCmdSelectB = 28;
constexpr std::uint8_t kCmdHaltB = 29;
constexpr std::uint8_t kModeReqB = 0;
constexpr std::uint8_t kModeWupB = 1;

}  // namespace

TypeBCommands::TypeBCommands(SimulatedReader& reader, const CardField& field) : slot_(field, 'B') {
    reader.SetHandler(kCmdRequestB, [this](const Request& request) {
        if (request.payload.size() != 1 ||
            (request.payload[0] != kModeReqB && request.payload[0] != kModeWupB)) {
            return Reply::Failure(LCEC_SEND_COMMAND);
        }
        TypeBCard* card = slot_.Reachable();
        if (card == nullptr) return Reply::Failure(LCEC_REQUEST);
        if (card->state() == TypeBCard::State::kActive) card->Deactivate();
        if (!card->Request(request.payload[0] == kModeWupB)) return Reply::Failure(LCEC_REQUEST);
        return Reply::Ok(card->Atqb());
    });
    reader.SetHandler(kCmdSelectB, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        TypeBCard* card = slot_.Reachable();
        if (card == nullptr) return Reply::Failure(LCEC_REQUEST);
        if (!card->Attrib()) return Reply::Failure(LCEC_SELECT);
        return Reply::Ok(card->AttribAnswer());
    });
    reader.SetHandler(kCmdHaltB, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        TypeBCard* card = slot_.Reachable();
        if (card == nullptr || !card->Halt()) return Reply::Failure(LCEC_HALT);
        return Reply::Ok();
    });
}

}  // namespace sim
