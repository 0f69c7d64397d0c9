#include "sim/cards/contact_card.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

constexpr std::uint8_t kGetResponse = 0xC0;
constexpr std::size_t kMaxShortLength = 256;

// A one-byte length of a short APDU: 00 stands for 256.
std::size_t ShortLength(std::uint8_t p3) { return p3 == 0 ? kMaxShortLength : p3; }
std::uint8_t LengthByte(std::size_t length) {
    return static_cast<std::uint8_t>(std::min(length, kMaxShortLength) & 0xFF);
}

std::vector<std::uint8_t> Status(std::uint8_t sw1, std::uint8_t sw2) { return {sw1, sw2}; }

}  // namespace

ContactCard::ContactCard(std::vector<std::uint8_t> atr, std::shared_ptr<ApduResponder> application)
    : atr_(std::move(atr)), application_(std::move(application)) {}

std::optional<std::vector<std::uint8_t>> ContactCard::Activate(SupplyClass supply) {
    Deactivate();
    if (!Supports(supply) || atr_.empty()) {
        return std::nullopt;
    }
    active_ = true;
    return atr_;
}

void ContactCard::Deactivate() {
    active_ = false;
    pending_.clear();
    if (application_) {
        application_->Reset();
    }
}

std::vector<std::uint8_t> ContactCard::GetResponse(std::uint8_t ins, std::uint8_t p3) {
    const std::size_t wanted = ShortLength(p3);
    if (wanted > pending_.size()) {
        return Status(0x6C, LengthByte(pending_.size()));
    }
    std::vector<std::uint8_t> line = {ins};
    line.insert(line.end(), pending_.begin(),
                pending_.begin() + static_cast<std::ptrdiff_t>(wanted));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(wanted));
    if (pending_.empty()) {
        line.push_back(pendingSw1_);
        line.push_back(pendingSw2_);
    } else {
        line.push_back(getResponseSw1_);
        line.push_back(LengthByte(pending_.size()));
    }
    return line;
}

std::vector<std::uint8_t> ContactCard::TransmitT0(std::span<const std::uint8_t> command) {
    if (!active_ || command.size() < 4) {
        return {};
    }
    const std::uint8_t ins = command[1];
    if (command.size() == 5 && ins == kGetResponse && !pending_.empty()) {
        return GetResponse(ins, command[4]);
    }
    pending_.clear();
    if (!application_) {
        return Status(0x6D, 0x00);
    }
    if (command.size() == 4) {
        const ApduAnswer answer = application_->Process(command);
        return Status(answer.sw1, answer.sw2);
    }
    if (command.size() == 5) {
        const ApduAnswer answer = application_->Process(command);
        if (answer.data.empty()) {
            return Status(answer.sw1, answer.sw2);
        }
        const std::size_t length = std::min(answer.data.size(), kMaxShortLength);
        if (length != ShortLength(command[4])) {
            return Status(0x6C, LengthByte(length));
        }
        std::vector<std::uint8_t> line = {ins};
        line.insert(line.end(), answer.data.begin(),
                    answer.data.begin() + static_cast<std::ptrdiff_t>(length));
        line.push_back(answer.sw1);
        line.push_back(answer.sw2);
        return line;
    }
    const std::size_t lc = command[4];
    if (lc == 0 || (command.size() != 5 + lc && command.size() != 6 + lc)) {
        return Status(0x67, 0x00);
    }
    // Case 4 travels as case 3: the card never sees Le.
    ApduAnswer answer = application_->Process(command.first(5 + lc));
    if (answer.data.empty()) {
        // A class or instruction the card does not know is refused at the header.
        if (answer.sw1 == 0x6D || answer.sw1 == 0x6E) {
            return Status(answer.sw1, answer.sw2);
        }
        return {ins, answer.sw1, answer.sw2};
    }
    pending_ = std::move(answer.data);
    pendingSw1_ = answer.sw1;
    pendingSw2_ = answer.sw2;
    return {ins, getResponseSw1_, LengthByte(pending_.size())};
}

}  // namespace sim
