#pragma once

#include <cstdint>
#include <span>

#include "sim/cards/apdu_responder.h"
#include "sim/cards/command_apdu.h"

namespace sim {

// A card application that takes SELECT (00 A4) and READ RECORD (00 B2) and nothing else:
// bytes that are no APDU answer 67 00, another class 6E 00, another instruction 6D 00.
class SelectReadApplication : public ApduResponder {
  public:
    ApduAnswer Process(std::span<const std::uint8_t> command) final;

  protected:
    virtual ApduAnswer Select(const CommandApdu& apdu) = 0;
    virtual ApduAnswer ReadRecord(const CommandApdu& apdu) const = 0;
};

}  // namespace sim
