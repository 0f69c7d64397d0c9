#include "core/cards/iso14443_4.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "core/cards/iso14443_4_ats.h"

namespace {

constexpr std::uint8_t kRats = 0xE0;
constexpr std::uint8_t kIBlock = 0x02;
constexpr std::uint8_t kChaining = 0x10;
constexpr std::uint8_t kNadFollows = 0x04;
constexpr std::uint8_t kRAck = 0xA2;
constexpr std::uint8_t kNak = 0x10;
constexpr std::uint8_t kSDeselect = 0xC2;
constexpr std::uint8_t kSWtx = 0xF2;
constexpr std::uint8_t kTc1CidSupported = 0x02;
constexpr unsigned kEdcBytes = 2;

bool IsIBlock(std::uint8_t pcb) { return (pcb & 0xE2) == 0x02; }
bool IsRBlock(std::uint8_t pcb) { return (pcb & 0xE6) == 0xA2; }
bool IsSBlock(std::uint8_t pcb) { return (pcb & 0xC7) == 0xC2; }
bool IsWtxRequest(std::uint8_t pcb) { return IsSBlock(pcb) && (pcb & 0x30) == 0x30; }

// Frame size of an FSCI; codes above 8 count as 8.
unsigned FrameSize(std::uint8_t fsci) {
    static constexpr std::array<unsigned, 9> kSizes = {16, 24, 32, 40, 48, 64, 96, 128, 256};
    return kSizes[std::min<std::size_t>(fsci, kSizes.size() - 1)];
}

}  // namespace

unsigned Iso14443BlockLayer::ChunkSize() const {
    const unsigned overhead = 1 + (CidInUse() ? 1 : 0) + kEdcBytes;
    return std::min(card_.maxInf, card_.fsc - overhead);
}

bool Iso14443BlockLayer::RequestAts(std::uint8_t pcbBase, std::uint8_t parameter, unsigned* length,
                                    std::uint8_t* ats) {
    if (ats == nullptr || length == nullptr) {
        return false;
    }
    card_.cid = parameter & 0x0F;
    card_.pcbBase = static_cast<std::uint8_t>((pcbBase & (kCidFollows | kBlockNumber)) | kIBlock);
    const unsigned room = *length;
    *length = 0;
    if (!transceive_) {
        return false;
    }
    const std::uint8_t rats[] = {kRats, parameter};
    unsigned received = room;
    if (!transceive_(rats, sizeof rats, ats, &received)) {
        return false;
    }
    const std::size_t fsdi = std::min<std::size_t>(parameter >> 4, kInfSizeWithCid.size() - 1);
    card_.maxInf = kInfSizeWithCid[fsdi];
    received = std::min(received, room);
    const std::optional<AtsInfo> info = ParseAts({ats, received});
    if (!info) {
        return false;
    }
    card_.fsc = FrameSize(info->fsci);
    if (info->tc1) {
        if ((*info->tc1 & kTc1CidSupported) != 0) {
            card_.pcbBase |= kCidFollows;
        } else {
            card_.pcbBase &= static_cast<std::uint8_t>(~kCidFollows);
            card_.maxInf = kInfSizeWithoutCid[fsdi];
        }
    }
    *length = received;
    return true;
}

unsigned Iso14443BlockLayer::Header(Block& block, std::uint8_t pcb) const {
    if (!CidInUse()) {
        block[0] = pcb;
        return 1;
    }
    block[0] = pcb | kCidFollows;
    block[1] = card_.cid;
    return 2;
}

unsigned Iso14443BlockLayer::AnswerHeader(const Block& answer, unsigned length) const {
    const bool hasCid = (answer[0] & kCidFollows) != 0;
    if (hasCid != CidInUse()) {
        return 0;
    }
    if (!hasCid) {
        return 1;
    }
    return length >= 2 && (answer[1] & 0x0F) == card_.cid ? 2 : 0;
}

void Iso14443BlockLayer::FollowBlockNumber(std::uint8_t cardPcb) {
    card_.pcbBase = static_cast<std::uint8_t>((card_.pcbBase & ~kBlockNumber) |
                                              ((cardPcb & kBlockNumber) ^ kBlockNumber));
}

bool Iso14443BlockLayer::Exchange(const Block& block, unsigned length, Block& answer,
                                  unsigned* answerLength) {
    *answerLength = kReceiveCapacity;
    if (!transceive_(block.data(), length, answer.data(), answerLength)) {
        return false;
    }
    return *answerLength != 0 && *answerLength <= kReceiveCapacity;
}

std::uint8_t Iso14443BlockLayer::ExchangeBlocks(std::span<const std::uint8_t> apdu,
                                                std::uint8_t* response, unsigned capacity,
                                                unsigned* responseLength) {
    if (responseLength == nullptr) {
        return kFailure;
    }
    *responseLength = 0;
    if (!transceive_ || apdu.empty() || response == nullptr) {
        return kFailure;
    }
    const Clock::time_point start = now_();
    const Clock::time_point limit = start + std::chrono::milliseconds(kWtxTimeLimitMs);
    Clock::time_point deadline = start + std::chrono::milliseconds(kExchangeTimeoutMs);
    // Each block after the first goes out only while the exchange's time-out lasts.
    const auto send = [&](const Block& out, unsigned length, Block& in, unsigned* inLength) {
        return now_() < deadline && Exchange(out, length, in, inLength);
    };
    const std::size_t chunk = ChunkSize();
    Block block{};
    Block answer{};
    unsigned answerLength = 0;

    // The command, chained while it does not fit one block; each chained block must be
    // acknowledged with an R(ACK).
    std::size_t offset = 0;
    for (;;) {
        const std::size_t left = apdu.size() - offset;
        const bool more = left > chunk;
        const std::size_t count = more ? chunk : left;
        unsigned length = Header(
            block, static_cast<std::uint8_t>(kIBlock | (more ? kChaining : 0) | BlockNumber()));
        std::copy_n(apdu.begin() + static_cast<std::ptrdiff_t>(offset), count,
                    block.begin() + length);
        length += static_cast<unsigned>(count);
        if (!send(block, length, answer, &answerLength)) {
            return kFailure;
        }
        offset += count;
        if (!more) {
            break;
        }
        const std::uint8_t pcb = answer[0];
        const unsigned header = AnswerHeader(answer, answerLength);
        if (header == 0 || answerLength != header || !IsRBlock(pcb) || (pcb & kNak) != 0) {
            return kFailure;
        }
        FollowBlockNumber(pcb);
    }

    // The response: I-blocks (chained ones acknowledged), S(WTX) requests answered in
    // between. Anything else ends the exchange.
    unsigned chainedAnswers = 0;
    for (;;) {
        const std::uint8_t pcb = answer[0];
        const unsigned header = AnswerHeader(answer, answerLength);
        if (header == 0) {
            return kFailure;
        }
        unsigned length = 0;
        bool moreTime = false;
        if (IsIBlock(pcb)) {
            if ((pcb & kNadFollows) != 0) {
                return kFailure;
            }
            FollowBlockNumber(pcb);
            const unsigned inf = answerLength - header;
            if (inf > capacity - *responseLength) {
                return kFailure;
            }
            std::copy_n(answer.begin() + header, inf, response + *responseLength);
            *responseLength += inf;
            if ((pcb & kChaining) == 0) {
                return kOk;
            }
            if (++chainedAnswers > kMaxChainedAnswerBlocks) {
                return kFailure;
            }
            length = Header(block, kRAck | BlockNumber());
        } else if (IsWtxRequest(pcb) && answerLength == header + 1) {
            length = Header(block, kSWtx);
            block[length++] = answer[header] & 0x3F;
            moreTime = true;
        } else {
            return kFailure;
        }
        const Clock::time_point sent = now_();
        if (!send(block, length, answer, &answerLength)) {
            return kFailure;
        }
        // The time the card took after an S(WTX) answer is its own.
        if (moreTime) {
            deadline = std::min(limit, deadline + (now_() - sent));
        }
    }
}

unsigned Iso14443BlockLayer::DeselectRequest(std::array<std::uint8_t, 2>& block) const {
    if (!CidInUse()) {
        block = {kSDeselect, 0};
        return 1;
    }
    block = {static_cast<std::uint8_t>(kSDeselect | kCidFollows), card_.cid};
    return 2;
}

bool Iso14443BlockLayer::IsDeselectResponse(std::span<const std::uint8_t> answer) const {
    std::array<std::uint8_t, 2> request{};
    const unsigned length = DeselectRequest(request);
    return answer.size() == length && answer[0] == request[0] &&
           (length == 1 || (answer[1] & 0x0F) == card_.cid);
}
