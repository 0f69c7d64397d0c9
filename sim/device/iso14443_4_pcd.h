#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/iso14443_4_picc.h"

namespace sim {

// The reader firmware's own ISO 14443-4 protocol: one APDU to an active card and its
// response (data and status word), in I-blocks chained to the card's FSC, chained answers
// acknowledged, S(WTX) requests answered. It keeps no state of its own: block number, CID
// and frame size are those the card was activated with. Nothing when the card falls
// silent or breaks the protocol, or the response passes maxResponse bytes.
std::optional<std::vector<std::uint8_t>> ExchangeApduWithCard(Iso14443_4Picc& card,
                                                              std::span<const std::uint8_t> apdu,
                                                              std::size_t maxResponse);

}  // namespace sim
