#include "sim/cards/challenge_generator.h"

namespace sim {

ChallengeGenerator::ChallengeGenerator(std::array<std::uint8_t, 8> seed) {
    for (std::uint8_t b : seed) state_ = state_ << 8 | b;
}

std::optional<std::vector<std::uint8_t>> ChallengeGenerator::Draw(const CommandApdu& apdu) {
    const unsigned length = apdu.le.value_or(0);
    if (length != 4 && length != 8) return std::nullopt;
    std::vector<std::uint8_t> challenge;
    for (unsigned i = 0; i < length; ++i) {
        challenge.push_back(static_cast<std::uint8_t>(state_ >> (56 - 8 * i)));
    }
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return challenge;
}

}  // namespace sim
