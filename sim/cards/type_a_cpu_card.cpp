#include "sim/cards/type_a_cpu_card.h"

namespace sim {

TypeACpuCard::TypeACpuCard(std::shared_ptr<ApduResponder> application, AtsParameters ats,
                           std::array<std::uint8_t, 4> uid)
    : picc_(std::move(application), std::move(ats)), uid_(uid.begin(), uid.end()) {}

TypeACpuCard::TypeACpuCard(std::shared_ptr<ApduResponder> application, AtsParameters ats,
                           std::array<std::uint8_t, 7> uid)
    : picc_(std::move(application), std::move(ats)), uid_(uid.begin(), uid.end()) {}

Iso14443_4Picc& TypeACpuCard::Protocol() {
    // Selected at layer 3 with the protocol not started: RATS is due. (A deselect halts
    // the card at once, so the protocol is idle while the card is active only right after
    // a selection.)
    if (state() == State::kActive && picc_.state() == Iso14443_4Picc::State::kIdle) {
        picc_.AwaitRats();
    }
    return picc_;
}

std::optional<std::vector<std::uint8_t>> TypeACpuCard::Transceive(
    std::span<const std::uint8_t> frame) {
    if (state() != State::kActive) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> answer = Protocol().Receive(frame);
    if (picc_.state() == Iso14443_4Picc::State::kIdle) {
        Halt();
    }
    return answer;
}

}  // namespace sim
