#pragma once

#include <memory>

#include "sim/cards/card_field.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/field_card_slot.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of the ISO 14443-B commands, on the type B card in the
// field while the reader runs protocol 'B'.
//
// Request formats (payload bytes) and answers:
//   27 request B (mode: 0 REQB, 1 WUPB)   -> the ATQB. A card still active from an
//                                            earlier session is reset first, so every
//                                            request starts a new one.
//   28 select B ()                        -> the answer to ATTRIB of the card that
//                                            answered the request
//   29 halt B ()
// Failure codes: no card answering a request or select 6 (LCEC_REQUEST); a select with
// no card ready for it 8 (LCEC_SELECT); a halt with no card ready or active 10
// (LCEC_HALT); a malformed request 19 (LCEC_SEND_COMMAND).
class TypeBCommands {
  public:
    // Registers the handlers; both must outlive this object's use by the reader.
    TypeBCommands(SimulatedReader& reader, const CardField& field);
    TypeBCommands(const TypeBCommands&) = delete;
    TypeBCommands& operator=(const TypeBCommands&) = delete;

    // Puts a type B card into the field (null takes it out). A test keeps its own pointer.
    void Present(std::shared_ptr<TypeBCard> card) { slot_.Present(std::move(card)); }

  private:
    FieldCardSlot<TypeBCard> slot_;
};

}  // namespace sim
