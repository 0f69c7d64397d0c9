#include "sim/field_cards.h"

#include <algorithm>
#include <array>

namespace sim {

namespace {

struct FieldCardEntry {
    std::string_view name;
    FieldCard card;
    std::string_view protocol;  // empty for "none"
};

constexpr std::array<FieldCardEntry, 13> kFieldCards = {{
    {"mifare1k", FieldCard::kMifare1K, "type A"},
    {"mifare4k", FieldCard::kMifare4K, "type A"},
    {"ntag213", FieldCard::kNtag213, "type A"},
    {"ntag215", FieldCard::kNtag215, "type A"},
    {"ntag216", FieldCard::kNtag216, "type A"},
    {"typeb", FieldCard::kTypeB, "type B"},
    {"cpu", FieldCard::kCpu, "type A"},
    {"fm1208issued", FieldCard::kFm1208Issued, "type A"},
    {"transit", FieldCard::kTransit, "type A"},
    {"bank", FieldCard::kBank, "type A"},
    {"desfire", FieldCard::kDesfire, "type A"},
    {"felica", FieldCard::kFelica, "FeliCa"},
    {"none", FieldCard::kNone, ""},
}};

const FieldCardEntry& EntryOf(FieldCard card) {
    return *std::find_if(kFieldCards.begin(), kFieldCards.end(),
                         [&](const FieldCardEntry& e) { return e.card == card; });
}

}  // namespace

std::optional<FieldCard> ParseFieldCard(std::string_view name) {
    const auto* entry = std::find_if(kFieldCards.begin(), kFieldCards.end(),
                                     [&](const FieldCardEntry& e) { return e.name == name; });
    if (entry == kFieldCards.end()) return std::nullopt;
    return entry->card;
}

std::string FieldCardNames(std::string_view separator) {
    std::string names;
    for (const FieldCardEntry& entry : kFieldCards) {
        if (!names.empty()) names += separator;
        names += entry.name;
    }
    return names;
}

std::optional<std::vector<FieldCard>> ChooseFieldCards(std::span<const std::string_view> names,
                                                       std::string* error) {
    if (names.empty()) {
        *error = "no card named";
        return std::nullopt;
    }
    std::vector<const FieldCardEntry*> chosen;
    for (const std::string_view name : names) {
        const std::optional<FieldCard> card = ParseFieldCard(name);
        if (!card) {
            *error = "no card is called \"" + std::string(name) + "\"";
            return std::nullopt;
        }
        const FieldCardEntry* entry = &EntryOf(*card);
        for (const FieldCardEntry* other : chosen) {
            if (entry->card == FieldCard::kNone || other->card == FieldCard::kNone) {
                *error = "none cannot go with a card";
                return std::nullopt;
            }
            if (entry->protocol == other->protocol) {
                *error = std::string(other->name) + " and " + std::string(entry->name) +
                         " are both " + std::string(entry->protocol) +
                         " cards: the field holds one card per protocol (type A, type B, FeliCa)";
                return std::nullopt;
            }
        }
        chosen.push_back(entry);
    }
    std::vector<FieldCard> cards;
    for (const FieldCardEntry* entry : chosen) {
        if (entry->card != FieldCard::kNone) cards.push_back(entry->card);
    }
    return cards;
}

std::string DescribeFieldCards(std::span<const FieldCard> cards) {
    std::string text = "in the field: ";
    if (cards.empty()) return text + "no card";
    for (std::size_t i = 0; i < cards.size(); ++i) {
        if (i > 0) text += ", ";
        text += EntryOf(cards[i]).name;
    }
    return text;
}

}  // namespace sim
