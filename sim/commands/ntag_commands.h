#pragma once

#include "sim/cards/card_field.h"
#include "sim/cards/ntag_tag.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of the two NTAG21x commands, on the tag that is the type A
// card of the field (activated before with request and anticollision). Pages are read and
// written with the type A commands 6 and 7 (MifareCommands).
//
//   100 GET_VERSION ()      -> the tag's 8-byte version
//   103 PWD_AUTH (password 4) -> PACK (2)
// Failure codes: a GET_VERSION that no tag answers 19 (LCEC_SEND_COMMAND); a PWD_AUTH
// refused or unanswered 9 (LCEC_AUTHENTICATION); a malformed request 19.
class NtagCommands {
  public:
    NtagCommands(SimulatedReader& reader, const CardField& field);
    NtagCommands(const NtagCommands&) = delete;
    NtagCommands& operator=(const NtagCommands&) = delete;

  private:
    NtagTag* Tag() const;

    const CardField& field_;
};

}  // namespace sim
