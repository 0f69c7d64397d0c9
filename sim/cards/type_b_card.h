#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "sim/cards/apdu_responder.h"

namespace sim {

// An ISO 14443-3 type B card: idle -> ready (REQB/WUPB answered with ATQB) -> active
// (ATTRIB) -> halted (HLTB). An active card takes ISO 14443-4 traffic; its application,
// when one is plugged in, answers the APDUs carried by it.
class TypeBCard {
  public:
    enum class State { kIdle, kReady, kActive, kHalted };

    // ATQB: 50, PUPI (4), application data (4), protocol info (3). The default protocol
    // info says 106 kbit/s only, frames up to 256 bytes, ISO 14443-4 compliant, FWI 7,
    // CID supported.
    explicit TypeBCard(std::array<std::uint8_t, 4> pupi = {0x1B, 0x2C, 0x3D, 0x4E},
                       std::array<std::uint8_t, 4> applicationData = {0x00, 0x00, 0x00, 0x00},
                       std::array<std::uint8_t, 3> protocolInfo = {0x00, 0x81, 0x71});

    // The answer to REQB/WUPB as the reader passes it on (without CRC). A test may set
    // any bytes, of any length.
    const std::vector<std::uint8_t>& Atqb() const { return atqb_; }
    void SetAtqb(std::vector<std::uint8_t> atqb) { atqb_ = std::move(atqb); }
    // The answer to ATTRIB: MBLI/CID byte (0x00 by default), then any higher-layer answer.
    const std::vector<std::uint8_t>& AttribAnswer() const { return attribAnswer_; }
    void SetAttribAnswer(std::vector<std::uint8_t> answer) { attribAnswer_ = std::move(answer); }

    // The application behind ISO 14443-4 (none by default). Shared: a test keeps its
    // own pointer to inspect it.
    void SetApplication(std::shared_ptr<ApduResponder> application);
    ApduResponder* application() const { return application_.get(); }

    // Entering the field: the card starts idle.
    void PowerOn();
    // REQB (`wakeUp` false) reaches idle and ready cards, WUPB also halted ones; an
    // active card ignores both. True when the card answered (it is then ready).
    bool Request(bool wakeUp);
    // ATTRIB of a ready card: true, and the card is active.
    bool Attrib();
    // HLTB of a ready or active card: true, and the card is halted.
    bool Halt();
    // Back to idle without a command, as when the reader resets the field.
    void Deactivate();

    State state() const { return state_; }

  private:
    void Leave(State next);

    std::vector<std::uint8_t> atqb_;
    std::vector<std::uint8_t> attribAnswer_ = {0x00};
    std::shared_ptr<ApduResponder> application_;
    State state_ = State::kIdle;
};

}  // namespace sim
