#include "sim/device/iso14443_4_pcd.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t kCid = 0x08;
constexpr unsigned kMaxWtx = 64;

// The frames of one exchange: every block carries the card's CID when it has one other
// than 0.
class Link {
  public:
    explicit Link(Iso14443_4Picc& card)
        : card_(card), withCid_(card.cidSupported() && card.cid() != 0) {}

    std::optional<std::vector<std::uint8_t>> Send(std::uint8_t pcb,
                                                  std::span<const std::uint8_t> inf) {
        std::vector<std::uint8_t> frame = {static_cast<std::uint8_t>(withCid_ ? pcb | kCid : pcb)};
        if (withCid_) frame.push_back(card_.cid());
        frame.insert(frame.end(), inf.begin(), inf.end());
        std::optional<std::vector<std::uint8_t>> answer = card_.Receive(frame);
        if (!answer || answer->empty() || (((*answer)[0] & kCid) != 0) != withCid_) {
            return std::nullopt;
        }
        if (withCid_) {
            if (answer->size() < 2) return std::nullopt;
            answer->erase(answer->begin() + 1);  // the CID byte: PCB and INF remain
        }
        return answer;
    }

    std::size_t MaxInf() const { return card_.fsc() - 3 - (withCid_ ? 1 : 0); }

  private:
    Iso14443_4Picc& card_;
    bool withCid_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> ExchangeApduWithCard(Iso14443_4Picc& card,
                                                              std::span<const std::uint8_t> apdu,
                                                              std::size_t maxResponse) {
    if (card.state() != Iso14443_4Picc::State::kActive) return std::nullopt;
    Link link(card);
    // The card has answered block number n last; the reader goes on with the other one.
    std::uint8_t number = card.blockNumber() ^ 1;
    std::size_t offset = 0;
    std::optional<std::vector<std::uint8_t>> answer;
    for (;;) {
        const std::size_t count = std::min(link.MaxInf(), apdu.size() - offset);
        const bool more = offset + count < apdu.size();
        answer = link.Send(static_cast<std::uint8_t>(0x02 | (more ? 0x10 : 0) | number),
                           apdu.subspan(offset, count));
        offset += count;
        if (!more) break;
        if (!answer || ((*answer)[0] & ~kCid) != (0xA2 | number)) return std::nullopt;
        number ^= 1;
    }
    std::vector<std::uint8_t> response;
    unsigned wtx = 0;
    while (answer) {
        const std::uint8_t pcb = (*answer)[0] & ~kCid;
        if ((pcb & 0xEE) == 0x02 && (pcb & 0x01) == number) {
            response.insert(response.end(), answer->begin() + 1, answer->end());
            if (response.size() > maxResponse) return std::nullopt;
            number ^= 1;
            if ((pcb & 0x10) == 0) return response;
            answer = link.Send(static_cast<std::uint8_t>(0xA2 | number), {});
        } else if (pcb == 0xF2 && answer->size() == 2 && ++wtx <= kMaxWtx) {
            const std::uint8_t wtxm[] = {static_cast<std::uint8_t>((*answer)[1] & 0x3F)};
            answer = link.Send(0xF2, wtxm);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace sim
