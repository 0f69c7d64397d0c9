#include "sim/commands/sam_slot_commands.h"

#include <vector>

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdSetSamPower = 42;
constexpr std::uint8_t kCmdResetSam = 43;
constexpr std::uint8_t kCmdSamApdu = 44;
constexpr std::uint8_t kCmdSetSamSlot = 45;
constexpr std::uint8_t kCmdSetSamVSel0 = 230;
constexpr std::uint8_t kCmdSetSamVSel1 = 231;
constexpr std::size_t kMaxReplyPayload = 251;

Reply Done(SamSlots::Status status) {
    return status == SamSlots::Status::kOk ? Reply::Ok() : Reply::Failure(LCEC_SEND_COMMAND);
}

}  // namespace

SamSlotCommands::SamSlotCommands(SimulatedReader& reader, SamSlots& slots) {
    reader.SetHandler(kCmdSetSamSlot, [&slots](const Request& request) {
        if (request.payload.size() != 1) return Reply::Failure(LCEC_SEND_COMMAND);
        return Done(slots.Select(request.payload[0]));
    });
    reader.SetHandler(kCmdSetSamPower, [&slots](const Request& request) {
        if (request.payload.size() != 1) return Reply::Failure(LCEC_SEND_COMMAND);
        return Done(slots.SetPower(request.payload[0]));
    });
    for (const auto& [command, line] :
         {std::pair{kCmdSetSamVSel0, 0}, std::pair{kCmdSetSamVSel1, 1}}) {
        reader.SetHandler(command, [&slots, line = line](const Request& request) {
            if (request.payload.size() != 2) return Reply::Failure(LCEC_SEND_COMMAND);
            return Done(slots.SetSelectLine(line, request.payload[0], request.payload[1]));
        });
    }
    reader.SetHandler(kCmdResetSam, [&slots](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        std::vector<std::uint8_t> atr;
        if (slots.Reset(atr) != SamSlots::Status::kOk) return Reply::Failure(LCEC_REQUEST);
        return Reply::Ok(std::move(atr));
    });
    reader.SetHandler(kCmdSamApdu, [&slots](const Request& request) {
        std::vector<std::uint8_t> answer;
        if (slots.Exchange(request.payload, answer) != SamSlots::Status::kOk ||
            answer.size() > kMaxReplyPayload) {
            return Reply::Failure(LCEC_SEND_COMMAND);
        }
        return Reply::Ok(std::move(answer));
    });
}

}  // namespace sim
