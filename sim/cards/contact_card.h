#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/cards/apdu_responder.h"

namespace sim {

// Supply classes of ISO 7816-3: A 5 V, B 3 V, C 1.8 V (usable as a mask).
enum class SupplyClass : std::uint8_t { kA = 1, kB = 2, kC = 4 };

// A contact card (SAM, PSAM, SIM, bank or social-security card) speaking T=0. Its
// application is plugged in as an ApduResponder; this class adds the answer to reset,
// the supply classes it works at and the T=0 transmission around the application:
// procedure bytes, 61 xx with GET RESPONSE for data of a case 4 command, 6C xx for a
// case 2 command whose Le is not the length of the data.
class ContactCard {
  public:
    static constexpr unsigned kAllClasses = 7;

    ContactCard(std::vector<std::uint8_t> atr, std::shared_ptr<ApduResponder> application);

    const std::vector<std::uint8_t>& atr() const { return atr_; }
    void SetAtr(std::vector<std::uint8_t> atr) { atr_ = std::move(atr); }
    // Mask of SupplyClass values the card works at (all three by default).
    void SetSupplyClasses(unsigned mask) { supplyClasses_ = mask; }
    bool Supports(SupplyClass supply) const {
        return (supplyClasses_ & static_cast<unsigned>(supply)) != 0;
    }
    // SW1 announcing data for GET RESPONSE: 61 (ISO 7816-4, default) or 9F (GSM 11.11).
    void SetGetResponseSw1(std::uint8_t sw1) { getResponseSw1_ = sw1; }
    ApduResponder* application() const { return application_.get(); }

    // Activation (power and reset) at `supply`: the ATR, or nothing when the card does
    // not work at that voltage or has no ATR (it stays silent). The application starts
    // afresh either way.
    std::optional<std::vector<std::uint8_t>> Activate(SupplyClass supply);
    void Deactivate();
    bool active() const { return active_; }

    // One command APDU (CLA INS P1 P2 [P3 [data]] [Le]) over T=0; the bytes the card sends
    // back: when the command was accepted, the procedure byte (its INS) and, for a case 2
    // command, the data, then SW1 SW2; a bare SW1 SW2 when it answered at once (case 1, a
    // refused command, 61 xx / 6C xx). A case 4 command (P3 data Le) travels as case 3:
    // Le stays with the reader and the application never sees it. GET RESPONSE (INS C0)
    // is served from the data held back.
    // An inactive card, or a command shorter than 4 bytes, gets nothing.
    std::vector<std::uint8_t> TransmitT0(std::span<const std::uint8_t> command);

  private:
    std::vector<std::uint8_t> GetResponse(std::uint8_t ins, std::uint8_t p3);

    std::vector<std::uint8_t> atr_;
    std::shared_ptr<ApduResponder> application_;
    unsigned supplyClasses_ = kAllClasses;
    std::uint8_t getResponseSw1_ = 0x61;
    bool active_ = false;
    std::vector<std::uint8_t> pending_;
    std::uint8_t pendingSw1_ = 0x90;
    std::uint8_t pendingSw2_ = 0x00;
};

}  // namespace sim
