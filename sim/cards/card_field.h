#pragma once

#include <memory>

#include "sim/cards/type_a_card.h"

namespace sim {

// The simulated reader's RF field: the protocol the reader runs ('A' ISO 14443-A, 'B'
// ISO 14443-B, 'C' card emulation, 'F' FeliCa; 'A' at power-up) and the type A card held
// into it. A type A card answers only while the reader runs 'A'.
class CardField {
  public:
    char protocol() const { return protocol_; }
    // A change of protocol restarts the field: the card powers up idle again.
    void SetProtocol(char letter);

    // Puts a card into the field (taking out the one there); null empties it. The card
    // powers up idle. A test keeps its own pointer to inspect the card.
    void PresentTypeA(std::shared_ptr<TypeACard> card);
    void RemoveTypeA() { PresentTypeA(nullptr); }

    // The type A card that can answer, or null.
    TypeACard* TypeA() const { return protocol_ == 'A' ? typeA_.get() : nullptr; }

  private:
    char protocol_ = 'A';
    std::shared_ptr<TypeACard> typeA_;
};

}  // namespace sim
