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
constexpr std::uint8_t kRNak = 0xB2;
constexpr std::uint8_t kNak = 0x10;
constexpr std::uint8_t kSDeselect = 0xC2;
constexpr std::uint8_t kSWtx = 0xF2;
constexpr std::uint8_t kTc1CidSupported = 0x02;
constexpr unsigned kEdcBytes = 2;
constexpr std::uint8_t kDefaultFwi = 4;
constexpr std::uint8_t kMaxFwi = 14;
constexpr std::uint64_t kCarrierHz = 13'560'000;

bool IsIBlock(std::uint8_t pcb) { return (pcb & 0xE2) == 0x02; }
bool IsRBlock(std::uint8_t pcb) { return (pcb & 0xE6) == 0xA2; }
bool IsSBlock(std::uint8_t pcb) { return (pcb & 0xC7) == 0xC2; }
bool IsWtxRequest(std::uint8_t pcb) { return IsSBlock(pcb) && (pcb & 0x30) == 0x30; }

// Frame size of an FSCI; codes above 8 count as 8.
unsigned FrameSize(std::uint8_t fsci) {
    static constexpr std::array<unsigned, 9> kSizes = {16, 24, 32, 40, 48, 64, 96, 128, 256};
    return kSizes[std::min<std::size_t>(fsci, kSizes.size() - 1)];
}

// FWT = 256 x 16 x 2^FWI / fc, rounded up to whole microseconds.
std::chrono::microseconds FrameWaitingTimeOf(std::uint8_t fwi) {
    const std::uint64_t cycles = std::uint64_t{256 * 16} << std::min(fwi, kMaxFwi);
    return std::chrono::microseconds((cycles * 1'000'000 + kCarrierHz - 1) / kCarrierHz);
}

}  // namespace

std::chrono::microseconds Iso14443BlockLayer::FrameWaitingTime() const {
    return FrameWaitingTimeOf(card_.fwi);
}

std::chrono::microseconds Iso14443BlockLayer::ExtendedWaitingTime(std::uint8_t wtxm) const {
    return std::min(FrameWaitingTime() * std::max<unsigned>(wtxm, 1), FrameWaitingTimeOf(kMaxFwi));
}

int Iso14443BlockLayer::TransceiveWaitMs(std::chrono::microseconds waiting) {
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(waiting).count()) +
           kExchangeTimeoutMs;
}

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
    card_.inStep = false;
    const unsigned room = *length;
    *length = 0;
    if (!transceive_) {
        return false;
    }
    const std::uint8_t rats[] = {kRats, parameter};
    unsigned received = room;
    // The card answers RATS within its activation frame waiting time, 5 ms: the reader's
    // margin covers it.
    if (!transceive_(rats, sizeof rats, ats, &received, kExchangeTimeoutMs)) {
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
    // FWI 15 is reserved and read as the default.
    const std::uint8_t fwi = info->tb1 ? static_cast<std::uint8_t>(*info->tb1 >> 4) : kDefaultFwi;
    card_.fwi = fwi > kMaxFwi ? kDefaultFwi : fwi;
    card_.inStep = true;
    card_.awaitsReset = false;
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
                                  unsigned* answerLength, int waitMs) {
    *answerLength = kReceiveCapacity;
    if (!transceive_(block.data(), length, answer.data(), answerLength, waitMs)) {
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
    if (!transceive_ || apdu.empty() || response == nullptr || card_.awaitsReset) {
        return kFailure;
    }
    const Clock::time_point start = now_();
    const Clock::time_point limit = start + std::chrono::milliseconds(kWtxTimeLimitMs);
    Clock::time_point deadline = start + std::chrono::milliseconds(kExchangeTimeoutMs);
    const std::size_t chunk = ChunkSize();
    const bool chainedCommand = apdu.size() > chunk;

    // The last I-block sent, kept for rule 6; chained while command bytes follow it.
    Block iBlock{};
    unsigned iLength = 0;
    bool iChained = false;
    std::size_t offset = 0;
    const auto nextIBlock = [&] {
        const std::size_t count = std::min(chunk, apdu.size() - offset);
        iChained = offset + count < apdu.size();
        iLength = Header(iBlock, static_cast<std::uint8_t>(kIBlock | (iChained ? kChaining : 0) |
                                                           BlockNumber()));
        std::copy_n(apdu.begin() + static_cast<std::ptrdiff_t>(offset), count,
                    iBlock.begin() + iLength);
        iLength += static_cast<unsigned>(count);
        offset += count;
    };
    nextIBlock();

    Block out{};
    unsigned outLength = 0;
    // The card's next block answers the last I-block (S(WTX) rounds in between): its number
    // is followed. After an R-block the card's number must be N.
    bool following = true;
    bool answering = false;  // the card's answer has begun
    unsigned failures = 0;
    unsigned chainedAnswers = 0;
    std::chrono::microseconds waiting = FrameWaitingTime();
    Block answer{};
    unsigned answerLength = 0;

    // The card's own time moves the exchange's limit on: what it took, within what it had.
    const auto moveDeadline = [&](Clock::duration took, Clock::duration within) {
        deadline += std::min(took, within);
    };
    const auto sendIBlock = [&] {
        out = iBlock;
        outLength = iLength;
        following = true;
    };
    const auto fail = [&] {
        card_.inStep = false;
        if (chainedCommand && !answering) {
            card_.awaitsReset = true;
        }
        return kFailure;
    };

    sendIBlock();
    for (;;) {
        const Clock::time_point sent = now_();
        if (sent >= deadline || sent >= limit) {
            return fail();
        }
        const std::chrono::microseconds given = waiting;
        waiting = FrameWaitingTime();
        const bool received =
            Exchange(out, outLength, answer, &answerLength, TransceiveWaitMs(given));
        const Clock::duration took = now_() - sent;
        const unsigned header = received ? AnswerHeader(answer, answerLength) : 0;
        const std::uint8_t pcb = answer[0];
        const bool numberIsN = (pcb & kBlockNumber) == BlockNumber();

        if (header != 0 && IsWtxRequest(pcb) && answerLength == header + 1) {
            // The card asks for more time in place of its next block (rule 9).
            moveDeadline(took, given);
            failures = 0;
            const std::uint8_t wtxm = answer[header] & 0x3F;
            outLength = Header(out, kSWtx);
            out[outLength++] = wtxm;
            waiting = ExtendedWaitingTime(wtxm);
            continue;
        }
        if (header != 0 && !answering && IsRBlock(pcb) && (pcb & kNak) == 0 &&
            answerLength == header) {
            if (!following && !numberIsN) {
                // The card did not take the last I-block: it goes again (rule 6).
                moveDeadline(took, given);
                sendIBlock();
                continue;
            }
            if (iChained) {
                // The chained block was taken: the chain goes on (rule 7).
                moveDeadline(took, given);
                FollowBlockNumber(pcb);
                card_.inStep = true;
                failures = 0;
                nextIBlock();
                sendIBlock();
                continue;
            }
        }
        if (header != 0 && IsIBlock(pcb) && (pcb & kNadFollows) == 0 && !iChained &&
            (following || numberIsN)) {
            FollowBlockNumber(pcb);
            card_.inStep = true;
            failures = 0;
            answering = true;
            const unsigned inf = answerLength - header;
            if (inf > capacity - *responseLength) {
                return fail();
            }
            std::copy_n(answer.begin() + header, inf, response + *responseLength);
            *responseLength += inf;
            const bool chained = (pcb & kChaining) != 0;
            if (!chained) {
                return kOk;
            }
            // An empty chained block brings nothing: its time is the exchange's own.
            if (inf != 0) {
                moveDeadline(took, given);
            }
            if (++chainedAnswers > kMaxChainedAnswerBlocks) {
                return fail();
            }
            outLength = Header(out, kRAck | BlockNumber());
            following = false;
            continue;
        }
        // No answer in time, or an invalid block: R(NAK), or R(ACK) while the card chains its
        // answer (rules 4 and 5), once the number is known to be the card's.
        if (!card_.inStep || ++failures > kMaxRetransmissions) {
            return fail();
        }
        // The block tried again costs the exchange none of its own time.
        deadline += took;
        outLength =
            Header(out, static_cast<std::uint8_t>((answering ? kRAck : kRNak) | BlockNumber()));
        following = false;
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
