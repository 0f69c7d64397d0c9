#pragma once

#include <memory>

#include "sim/cards/card_field.h"
#include "sim/cards/felica_card.h"
#include "sim/commands/field_card_slot.h"
#include "sim/simulated_reader.h"

namespace sim {

// The reader firmware's side of FeliCa polling, on the FeliCa card in the field while the
// reader runs protocol 'F'.
//
//   21 polling (request code)  -> IDm (8), PMm (8) and the request data the code asks for
//                                 (the card's answer without its response code); the
//                                 reader polls for any system code
// Failure codes: no card answering 6 (LCEC_REQUEST); a malformed request 19.
class FelicaCommands {
  public:
    FelicaCommands(SimulatedReader& reader, const CardField& field);
    FelicaCommands(const FelicaCommands&) = delete;
    FelicaCommands& operator=(const FelicaCommands&) = delete;

    void Present(std::shared_ptr<FelicaCard> card) { slot_.Present(std::move(card)); }

  private:
    FieldCardSlot<FelicaCard> slot_;
};

}  // namespace sim
