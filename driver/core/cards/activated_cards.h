#pragma once

#include <string>

#include "core/cards/iso14443_4.h"

// The block-protocol state of the card last activated in each reader the library has
// reached, by the reader's name (its route and address). A card stays activated in its
// reader's field whichever handle reached it: every session to that reader, also one opened
// after the session that activated the card has closed, goes on where the last one left
// off. A name's state stays for the life of the library; the store is locked.

// The layer takes the state of the card in that reader, when one was activated there.
void LoadActivatedCard(const std::string& reader, Iso14443BlockLayer& layer);
// The reader's card state becomes the layer's.
void StoreActivatedCard(const std::string& reader, const Iso14443BlockLayer& layer);
