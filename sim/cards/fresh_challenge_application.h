#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "sim/cards/apdu_responder.h"
#include "sim/cards/challenge_generator.h"

namespace sim {

// A card application whose GET CHALLENGE (00 84 00 00 Le) answers fresh bytes from the
// card's own generator at every call, 4 or 8 as Le asks (else 67 00), as a real card does;
// every other command goes to the application it wraps (a script of fixed answers, say).
class FreshChallengeApplication : public ApduResponder {
  public:
    FreshChallengeApplication(std::shared_ptr<ApduResponder> rest,
                              std::array<std::uint8_t, 8> seed);

    void Reset() override { rest_->Reset(); }
    ApduAnswer Process(std::span<const std::uint8_t> command) override;

  private:
    std::shared_ptr<ApduResponder> rest_;
    ChallengeGenerator challenges_;
};

}  // namespace sim
