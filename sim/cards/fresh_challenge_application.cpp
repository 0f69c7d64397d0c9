#include "sim/cards/fresh_challenge_application.h"

#include <utility>

namespace sim {

FreshChallengeApplication::FreshChallengeApplication(std::shared_ptr<ApduResponder> rest,
                                                     std::array<std::uint8_t, 8> seed)
    : rest_(std::move(rest)), challenges_(seed) {}

ApduAnswer FreshChallengeApplication::Process(std::span<const std::uint8_t> command) {
    const std::optional<CommandApdu> apdu = CommandApdu::Parse(command);
    if (!apdu || apdu->cla != 0x00 || apdu->ins != 0x84) return rest_->Process(command);
    const std::optional<std::vector<std::uint8_t>> challenge = challenges_.Draw(*apdu);
    if (!challenge) return ApduAnswer::Status(0x67, 0x00);
    return {*challenge, 0x90, 0x00};
}

}  // namespace sim
