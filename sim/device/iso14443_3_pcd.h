#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/type_a_card.h"

namespace sim {

// The reader firmware's own ISO 14443-3 anticollision loop over the cascade levels of the
// ready type A card in the field, from level 1: ANTICOLLISION, the BCC of the UID CLn
// checked, and SELECT with it while it begins with the cascade tag, whose SAK must carry the
// cascade bit to lead on to the next level. The last level of a UID of two or three levels
// is selected too, so such a card ends active; a UID of one level (4 bytes) is left ready
// for SelectFirstLevel unless `selectSingleLevel`. The complete UID (4, 7 or 10 bytes), or
// nothing when the card falls silent, a BCC is wrong or a SAK breaks the cascade.
std::optional<std::vector<std::uint8_t>> RunAnticollision(TypeACard& card, bool selectSingleLevel);

// SELECT of cascade level 1 with these four UID bytes and their BCC: the card's SAK, or
// nothing.
std::optional<std::uint8_t> SelectFirstLevel(TypeACard& card, std::span<const std::uint8_t, 4> uid);

}  // namespace sim
