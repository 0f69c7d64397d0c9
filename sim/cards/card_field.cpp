#include "sim/cards/card_field.h"

namespace sim {

void CardField::SetProtocol(char letter) {
    protocol_ = letter;
    if (typeA_) typeA_->PowerOn();
}

void CardField::PresentTypeA(std::shared_ptr<TypeACard> card) {
    typeA_ = std::move(card);
    if (typeA_) typeA_->PowerOn();
}

}  // namespace sim
