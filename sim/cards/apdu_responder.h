#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The card's answer to one command APDU: response data and the status word.
struct ApduAnswer {
    std::vector<std::uint8_t> data;
    std::uint8_t sw1 = 0x90;
    std::uint8_t sw2 = 0x00;

    // Response data followed by SW1 SW2, as an APDU response travels.
    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> bytes = data;
        bytes.push_back(sw1);
        bytes.push_back(sw2);
        return bytes;
    }

    static ApduAnswer Status(std::uint8_t sw1, std::uint8_t sw2) { return {{}, sw1, sw2}; }
};

// The application inside a card: takes command APDUs (ISO 7816-4 form:
// CLA INS P1 P2 [Lc data] [Le]) and answers each. Contact cards in the SAM
// slots and contactless CPU cards both carry one; the card's transmission
// protocol (T=0 in a slot, ISO 14443-4 blocks in the field) sits around it.
class ApduResponder {
  public:
    virtual ~ApduResponder() = default;

    // The card was reset, powered off or deselected: drop session state
    // (selected file, verified PIN, pending challenge).
    virtual void Reset() {}

    virtual ApduAnswer Process(std::span<const std::uint8_t> command) = 0;
};

}  // namespace sim
