#include "core/cards/activated_cards.h"

#include <map>
#include <mutex>

namespace {

std::mutex cardsLock;
std::map<std::string, Iso14443CardState> cards;

}  // namespace

void LoadActivatedCard(const std::string& reader, Iso14443BlockLayer& layer) {
    const std::lock_guard<std::mutex> lock(cardsLock);
    const auto card = cards.find(reader);
    if (card != cards.end()) layer.SetCardState(card->second);
}

void StoreActivatedCard(const std::string& reader, const Iso14443BlockLayer& layer) {
    const std::lock_guard<std::mutex> lock(cardsLock);
    cards[reader] = layer.CardState();
}
