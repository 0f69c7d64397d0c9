#include "sim/cards/iso14443_4_picc.h"

#include <algorithm>
#include <array>

namespace sim {

namespace {

constexpr std::uint8_t kCidFollows = 0x08;
constexpr std::uint8_t kNadFollows = 0x04;
constexpr std::uint8_t kChaining = 0x10;
constexpr std::uint8_t kNak = 0x10;
constexpr std::uint8_t kBlockNumber = 0x01;
constexpr std::uint8_t kIBlock = 0x02;
constexpr std::uint8_t kRAck = 0xA2;
constexpr std::uint8_t kSDeselect = 0xC2;
constexpr std::uint8_t kSWtx = 0xF2;
constexpr unsigned kEdcSize = 2;
constexpr std::uint64_t kCarrierHz = 13'560'000;

// FWT = 256 x 16 x 2^FWI / fc, to the nearest microsecond.
constexpr std::chrono::microseconds FrameWaitingTimeOf(unsigned fwi) {
    return std::chrono::microseconds(
        ((std::uint64_t{256 * 16} << fwi) * 1'000'000 + kCarrierHz / 2) / kCarrierHz);
}

// The FWT of FWI 14, the longest a card may take for a block.
constexpr std::chrono::microseconds kMaxFrameWaitingTime = FrameWaitingTimeOf(14);

bool IsIBlock(std::uint8_t pcb) { return (pcb & 0xE2) == 0x02; }
bool IsRBlock(std::uint8_t pcb) { return (pcb & 0xE6) == 0xA2; }
bool IsSBlock(std::uint8_t pcb) { return (pcb & 0xC7) == 0xC2; }

}  // namespace

Iso14443_4Picc::Iso14443_4Picc(std::shared_ptr<ApduResponder> application, AtsParameters ats)
    : application_(std::move(application)), ats_(std::move(ats)) {}

unsigned Iso14443_4Picc::FrameSize(std::uint8_t code) {
    static constexpr std::array<unsigned, 9> kSizes = {16, 24, 32, 40, 48, 64, 96, 128, 256};
    return kSizes[std::min<std::size_t>(code, kSizes.size() - 1)];
}

std::vector<std::uint8_t> Iso14443_4Picc::Ats() const {
    if (rawAts_) {
        return *rawAts_;
    }
    std::uint8_t t0 = ats_.fsci & 0x0F;
    std::vector<std::uint8_t> ats = {0, 0};
    if (ats_.ta1) {
        t0 |= 0x10;
        ats.push_back(*ats_.ta1);
    }
    if (ats_.tb1) {
        t0 |= 0x20;
        ats.push_back(*ats_.tb1);
    }
    if (ats_.tc1) {
        t0 |= 0x40;
        ats.push_back(*ats_.tc1);
    }
    ats.insert(ats.end(), ats_.historical.begin(), ats_.historical.end());
    ats[0] = static_cast<std::uint8_t>(ats.size());
    ats[1] = t0;
    return ats;
}

void Iso14443_4Picc::ResetProtocol() {
    blockNumber_ = 1;
    cidInBlocks_ = false;
    command_.clear();
    response_.clear();
    chaining_ = false;
    awaitingWtx_ = false;
    wtxLeft_ = 0;
    lastSent_.clear();
}

void Iso14443_4Picc::AwaitRats() {
    Deactivate();
    state_ = State::kWaitingForRats;
}

void Iso14443_4Picc::Activate(std::uint8_t fsdi, std::uint8_t cid) {
    Deactivate();
    fsd_ = FrameSize(fsdi);
    cid_ = cid & 0x0F;
    state_ = State::kActive;
}

void Iso14443_4Picc::Deactivate() {
    state_ = State::kIdle;
    ResetProtocol();
    if (application_) {
        application_->Reset();
    }
}

std::chrono::microseconds Iso14443_4Picc::FrameWaitingTime() const {
    // FWI 15 is reserved and read as the default 4.
    const unsigned fwi = ats_.tb1 && (*ats_.tb1 >> 4) != 15 ? *ats_.tb1 >> 4 : 4;
    return FrameWaitingTimeOf(fwi);
}

void Iso14443_4Picc::SetWtxRequests(unsigned count, std::uint8_t wtxm) {
    wtxPerApdu_ = count;
    wtxm_ = std::clamp<std::uint8_t>(wtxm, 1, 59);
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::Receive(
    std::span<const std::uint8_t> frame) {
    if (framesBeforeLoss_ > 0) {
        --framesBeforeLoss_;
    } else if (framesToLose_ > 0) {
        --framesToLose_;
        return std::nullopt;
    }
    frames_.emplace_back(frame.begin(), frame.end());
    std::optional<std::vector<std::uint8_t>> answer;
    if (!frame.empty()) {
        if (state_ == State::kWaitingForRats) {
            answer = OnRats(frame);
        } else if (state_ == State::kActive) {
            answer = OnBlock(frame);
        }
    }
    if (replacement_) {
        answer = std::move(replacement_);
        replacement_.reset();
    }
    return answer;
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::OnRats(
    std::span<const std::uint8_t> frame) {
    if (frame.size() != 2 || frame[0] != kRats || (frame[1] & 0x0F) == 0x0F) {
        return std::nullopt;
    }
    ResetProtocol();
    fsd_ = FrameSize(frame[1] >> 4);
    cid_ = frame[1] & 0x0F;
    state_ = State::kActive;
    return Ats();
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::OnBlock(
    std::span<const std::uint8_t> frame) {
    const std::uint8_t pcb = frame[0];
    const bool hasCid = (pcb & kCidFollows) != 0;
    std::size_t header = 1;
    if (hasCid) {
        if (!cidSupported() || frame.size() < 2 || (frame[1] & 0x0F) != cid_) {
            return std::nullopt;
        }
        header = 2;
    } else if (cidSupported() && cid_ != 0) {
        return std::nullopt;
    }
    if (frame.size() + kEdcSize > fsc()) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> inf = frame.subspan(header);
    if (IsIBlock(pcb)) {
        if ((pcb & kNadFollows) != 0) {
            return std::nullopt;
        }
        cidInBlocks_ = hasCid;
        return OnIBlock(pcb, inf);
    }
    if (IsRBlock(pcb)) {
        if (!inf.empty()) {
            return std::nullopt;
        }
        cidInBlocks_ = hasCid;
        return OnRBlock(pcb);
    }
    if (IsSBlock(pcb)) {
        cidInBlocks_ = hasCid;
        return OnSBlock(pcb, inf);
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::OnIBlock(
    std::uint8_t pcb, std::span<const std::uint8_t> inf) {
    if (chaining_ || awaitingWtx_) {
        return std::nullopt;
    }
    blockNumber_ ^= kBlockNumber;
    if (command_.size() + inf.size() > kMaxCommand) {
        command_.clear();
        return std::nullopt;
    }
    command_.insert(command_.end(), inf.begin(), inf.end());
    if ((pcb & kChaining) != 0) {
        return Send(Block(kRAck | blockNumber_, {}));
    }
    apdus_.push_back(command_);
    const ApduAnswer answer =
        application_ ? application_->Process(command_) : ApduAnswer::Status(0x6D, 0x00);
    command_.clear();
    response_ = answer.Bytes();
    wtxLeft_ = wtxPerApdu_;
    workTime_ += commandTime_;
    return Send(NextAnswerBlock());
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::OnRBlock(std::uint8_t pcb) {
    const std::uint8_t number = pcb & kBlockNumber;
    if (number == blockNumber_) {
        // The reader missed the card's last block: send it again.
        if (lastSent_.empty()) {
            return std::nullopt;
        }
        return Send(lastSent_);
    }
    if ((pcb & kNak) != 0) {
        // The reader's last block did not arrive: say which block the card is at.
        return Send(Block(kRAck | blockNumber_, {}));
    }
    if (!chaining_) {
        return std::nullopt;
    }
    blockNumber_ ^= kBlockNumber;
    return Send(NextAnswerBlock());
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::OnSBlock(
    std::uint8_t pcb, std::span<const std::uint8_t> inf) {
    switch (pcb & 0x30) {
        case 0x00: {
            if (!inf.empty()) {
                return std::nullopt;
            }
            std::vector<std::uint8_t> answer = Block(kSDeselect, {});
            Deactivate();
            return answer;
        }
        case 0x30:
            if (!awaitingWtx_ || inf.size() != 1 || (inf[0] & 0x3F) != wtxm_) {
                return std::nullopt;
            }
            workTime_ += std::min(FrameWaitingTime() * wtxm_, kMaxFrameWaitingTime);
            return Send(NextAnswerBlock());
        default:
            return std::nullopt;
    }
}

std::size_t Iso14443_4Picc::MaxInf() const { return fsd_ - 1 - (cidInBlocks_ ? 1 : 0) - kEdcSize; }

std::vector<std::uint8_t> Iso14443_4Picc::NextAnswerBlock() {
    if (wtxLeft_ > 0) {
        --wtxLeft_;
        awaitingWtx_ = true;
        const std::array<std::uint8_t, 1> wtxm = {wtxm_};
        return Block(kSWtx, wtxm);
    }
    awaitingWtx_ = false;
    const std::size_t count = std::min(response_.size(), MaxInf());
    chaining_ = count < response_.size();
    const std::uint8_t pcb = kIBlock | (chaining_ ? kChaining : 0) | blockNumber_;
    std::vector<std::uint8_t> block =
        Block(pcb, std::span<const std::uint8_t>(response_.data(), count));
    response_.erase(response_.begin(), response_.begin() + static_cast<std::ptrdiff_t>(count));
    return block;
}

std::vector<std::uint8_t> Iso14443_4Picc::Block(std::uint8_t pcb,
                                                std::span<const std::uint8_t> inf) const {
    std::vector<std::uint8_t> block;
    if (cidInBlocks_) {
        block.push_back(pcb | kCidFollows);
        block.push_back(cid_);
    } else {
        block.push_back(pcb);
    }
    block.insert(block.end(), inf.begin(), inf.end());
    return block;
}

std::optional<std::vector<std::uint8_t>> Iso14443_4Picc::Send(std::vector<std::uint8_t> block) {
    lastSent_ = block;
    return block;
}

}  // namespace sim
