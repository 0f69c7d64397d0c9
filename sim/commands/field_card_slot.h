#pragma once

#include <memory>
#include <utility>

#include "sim/cards/card_field.h"

namespace sim {

// A card of one RF protocol held into the reader's field beside the type A card of
// CardField. It answers only while the reader runs its protocol, and powers up afresh
// when the reader is found to have come back to that protocol from another one.
template <class Card>
class FieldCardSlot {
  public:
    FieldCardSlot(const CardField& field, char protocol) : field_(field), protocol_(protocol) {}

    // Puts a card into the field (null takes it out); it powers up idle.
    void Present(std::shared_ptr<Card> card) {
        card_ = std::move(card);
        PowerOn();
    }

    // The card when the reader runs this slot's protocol, else null.
    Card* Reachable() {
        const bool running = field_.protocol() == protocol_;
        if (running && !wasRunning_) PowerOn();
        wasRunning_ = running;
        return running ? card_.get() : nullptr;
    }

  private:
    void PowerOn() {
        if constexpr (requires(Card & c) { c.PowerOn(); }) {
            if (card_) card_->PowerOn();
        }
    }

    const CardField& field_;
    char protocol_;
    std::shared_ptr<Card> card_;
    bool wasRunning_ = false;
};

}  // namespace sim
