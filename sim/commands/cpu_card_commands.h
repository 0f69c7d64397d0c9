#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/card_field.h"
#include "sim/cards/iso14443_4_picc.h"
#include "sim/cards/type_b_card.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of command 14, the CPU-card command, on the ISO 14443-4 card
// in the field: a type A CPU card (TypeACpuCard) selected while the reader runs 'A', or the
// type B card made active by ATTRIB while it runs 'B'.
//
// Request formats (payload bytes):
//   length (2, big-endian) + frame      the length equals the bytes that follow: one
//                                       ISO 14443-4 frame (RATS or a block) passed to the
//                                       card as it is; the answer is the card's frame
//   mode (1) + count (1) + bytes        the count equals the bytes that follow (its low
//                                       byte): mode 4 passes one frame as above; every other
//                                       mode passes an APDU, which the reader carries over
//                                       its own ISO 14443-4 protocol (RATS first when a type A
//                                       card waits for it); the answer is the response,
//                                       data and status word
// A mode byte 0 reads as the high byte of a length: such a request is the first form.
// The type B card is taken with CID 0 and the reader's FSD 256 at ATTRIB.
// Failure codes (all 19, LCEC_SEND_COMMAND): no ISO 14443-4 card active, the card silent
// or breaking the protocol, an answer longer than a reply holds, a malformed request.
class CpuCardCommands {
  public:
    static constexpr std::uint8_t kCommand = 14;

    CpuCardCommands(SimulatedReader& reader, const CardField& field);
    CpuCardCommands(const CpuCardCommands&) = delete;
    CpuCardCommands& operator=(const CpuCardCommands&) = delete;

    // The type B card the reader's type B commands use (the same card as theirs); null
    // takes it out.
    void PresentTypeB(std::shared_ptr<TypeBCard> card);

    // An APDU to the type B card made active by ATTRIB while the reader runs 'B', over the
    // reader's own ISO 14443-4 protocol, as the reader passes those of its SAMV module: the
    // card's response (data and status word), or nothing when no such card is active or it
    // does not answer.
    std::optional<std::vector<std::uint8_t>> ExchangeTypeBApdu(std::span<const std::uint8_t> apdu);

    // The frames passed to cards, in order.
    const std::vector<std::vector<std::uint8_t>>& Frames() const { return frames_; }

  private:
    Reply Handle(const Request& request);
    Reply PassFrame(std::span<const std::uint8_t> frame);
    Reply PassApdu(std::span<const std::uint8_t> apdu);
    // The type B card's protocol, following the card's activation; null when not active.
    Iso14443_4Picc* ActiveTypeB();

    const CardField& field_;
    std::shared_ptr<TypeBCard> typeB_;
    std::unique_ptr<Iso14443_4Picc> typeBPicc_;
    std::vector<std::vector<std::uint8_t>> frames_;
};

}  // namespace sim
