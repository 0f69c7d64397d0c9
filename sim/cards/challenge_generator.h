#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/cards/command_apdu.h"

namespace sim {

// A card's random number source for GET CHALLENGE, on state of its own (never the host's
// rand()): 8 bytes, advanced by a 64-bit linear congruential step after each challenge, so
// every challenge is fresh and a test that knows the seed knows the challenges that follow.
class ChallengeGenerator {
  public:
    explicit ChallengeGenerator(std::array<std::uint8_t, 8> seed);

    // The data of the answer to GET CHALLENGE: the first Le bytes of the state (Le 4 or 8),
    // after which the state advances; nothing for another Le.
    std::optional<std::vector<std::uint8_t>> Draw(const CommandApdu& apdu);

  private:
    std::uint64_t state_ = 0;
};

}  // namespace sim
