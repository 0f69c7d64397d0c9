#include "sim/cards/type_b_card.h"

namespace sim {

TypeBCard::TypeBCard(std::array<std::uint8_t, 4> pupi, std::array<std::uint8_t, 4> applicationData,
                     std::array<std::uint8_t, 3> protocolInfo) {
    atqb_.push_back(0x50);
    atqb_.insert(atqb_.end(), pupi.begin(), pupi.end());
    atqb_.insert(atqb_.end(), applicationData.begin(), applicationData.end());
    atqb_.insert(atqb_.end(), protocolInfo.begin(), protocolInfo.end());
}

void TypeBCard::SetApplication(std::shared_ptr<ApduResponder> application) {
    application_ = std::move(application);
}

void TypeBCard::Leave(State next) {
    if (state_ == State::kActive && application_) {
        application_->Reset();
    }
    state_ = next;
}

void TypeBCard::PowerOn() {
    state_ = State::kIdle;
    if (application_) {
        application_->Reset();
    }
}

bool TypeBCard::Request(bool wakeUp) {
    const bool answers =
        state_ == State::kIdle || state_ == State::kReady || (wakeUp && state_ == State::kHalted);
    if (answers) {
        state_ = State::kReady;
    }
    return answers;
}

bool TypeBCard::Attrib() {
    if (state_ != State::kReady) {
        return false;
    }
    state_ = State::kActive;
    return true;
}

bool TypeBCard::Halt() {
    if (state_ != State::kReady && state_ != State::kActive) {
        return false;
    }
    Leave(State::kHalted);
    return true;
}

void TypeBCard::Deactivate() { Leave(State::kIdle); }

}  // namespace sim
