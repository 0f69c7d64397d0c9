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
    level_ = 0;
    return true;
}

std::optional<TypeACard::UidCln> TypeACard::Anticollision(std::span<const std::uint8_t> command) {
    if (command.size() != 2 || !AddressesLevel(command, kNvbAnticollision)) {
        return std::nullopt;
    }
    return CurrentUidCln();
}

std::optional<std::uint8_t> TypeACard::Select(std::span<const std::uint8_t> command) {
    if (command.size() != 2 + std::tuple_size_v<UidCln> || !AddressesLevel(command, kNvbSelect)) {
        return std::nullopt;
    }
    const UidCln own = CurrentUidCln();
    if (!std::equal(own.begin(), own.end(), command.begin() + 2)) return std::nullopt;
    if (level_ + 1 < CascadeLevels()) {
        ++level_;
        return kSakCascadeBit;
    }
    state_ = State::kActive;
    return Sak();
}

bool TypeACard::Halt() {
    if (state_ != State::kActive) {
        return false;
    }
    state_ = State::kHalted;
    OnDeactivated();
    return true;
}

std::uint8_t TypeACard::Bcc(std::span<const std::uint8_t, 4> uidCln) {
    return static_cast<std::uint8_t>(uidCln[0] ^ uidCln[1] ^ uidCln[2] ^ uidCln[3]);
}

TypeACard::UidCln TypeACard::CurrentUidCln() const {
    const std::vector<std::uint8_t> uid = Uid();
    UidCln cln{};
    auto from = uid.begin() + static_cast<std::ptrdiff_t>(3 * level_);
    if (level_ + 1 < CascadeLevels()) {
        cln[0] = kCascadeTag;
        std::copy(from, from + 3, cln.begin() + 1);
    } else {
        std::copy(from, from + 4, cln.begin());
    }
    cln[4] = Bcc(std::span(cln).first<4>());
    return cln;
}

bool TypeACard::AddressesLevel(std::span<const std::uint8_t> command, std::uint8_t nvb) const {
    const std::size_t uidSize = Uid().size();
    const bool cascades = uidSize == 4 || uidSize == 7 || uidSize == 10;
    return cascades && state_ == State::kReady && command[0] == kSelCodes[level_] &&
           command[1] == nvb;
}

void TypeACard::Deactivate() {
    state_ = State::kIdle;
    OnDeactivated();
}

}  // namespace sim
