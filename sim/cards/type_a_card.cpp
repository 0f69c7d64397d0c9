#include "sim/cards/type_a_card.h"

#include <algorithm>

namespace sim {

void TypeACard::PowerOn() {
    state_ = State::kIdle;
    OnDeactivated();
}

bool TypeACard::Request(std::uint8_t code) {
    const bool answers = (code == kReqA && state_ != State::kHalted) || (code == kWupA);
    if (!answers) {
        return false;
    }
    // A request reaches every card in the field: an active card drops its session too.
    if (state_ == State::kActive) {
        OnDeactivated();
    }
    state_ = State::kReady;
    return true;
}

bool TypeACard::Anticollision() {
    if (state_ != State::kReady) {
        return false;
    }
    if (IsDoubleSizeUid()) {
        state_ = State::kActive;
    }
    return true;
}

bool TypeACard::Select(std::span<const std::uint8_t> uid4) {
    const std::vector<std::uint8_t> uid = Uid();
    if (state_ != State::kReady || uid4.size() != 4 ||
        !std::equal(uid4.begin(), uid4.end(), uid.begin())) {
        return false;
    }
    state_ = State::kActive;
    return true;
}

bool TypeACard::Halt() {
    if (state_ != State::kActive) {
        return false;
    }
    state_ = State::kHalted;
    OnDeactivated();
    return true;
}

void TypeACard::Deactivate() {
    state_ = State::kIdle;
    OnDeactivated();
}

}  // namespace sim
