#pragma once

#include "sim/device/sam_slots.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of its contact slots (SamSlots).
//
//   45 select slot (index 0-5)
//   42 power (0 off, other values on) of the selected slot
//  230 select line 0 (slot, level 0/1), 231 select line 1 (slot, level 0/1)
//   43 reset ()            -> the ATR of the card in the selected slot
//   44 APDU (the command)  -> what the card sent back over T=0: its procedure byte, data and
//                             status word, or a bare status word
// Failure codes: no card answering the reset 6 (LCEC_REQUEST); a slot or level that does
// not exist, an APDU with no card reset to take it, a card answer too long for one reply
// or a malformed request 19 (LCEC_SEND_COMMAND).
class SamSlotCommands {
  public:
    SamSlotCommands(SimulatedReader& reader, SamSlots& slots);
    SamSlotCommands(const SamSlotCommands&) = delete;
    SamSlotCommands& operator=(const SamSlotCommands&) = delete;
};

}  // namespace sim
