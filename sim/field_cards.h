#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// A card korvicard-sim can hold into the RF field.
enum class FieldCard {
    kMifare1K,
    kMifare4K,
    kNtag213,
    kNtag215,
    kNtag216,
    kTypeB,         // the identity card's type-B side (SampleIdentityTypeBCard)
    kCpu,           // a blank FM1208 type A CPU card (SampleFm1208Card)
    kFm1208Issued,  // an FM1208 card issued with the all-FF key (SampleIssuedFm1208Card)
    kTransit,       // a city transit card (SampleTransitCard)
    kBank,          // a contactless bank card (SampleContactlessBankCard)
    kDesfire,       // a 7-byte-UID ISO 14443-4 card, as a DESFire (SampleDesfireCard)
    kFelica,        // a FeliCa card
    kNone,
};

// The kind a name of korvicard-sim's --card option stands for ("mifare1k", "mifare4k",
// "ntag213", "ntag215", "ntag216", "typeb", "cpu", "fm1208issued", "transit", "bank",
// "desfire", "felica", "none"); nothing for any other text.
std::optional<FieldCard> ParseFieldCard(std::string_view name);
// Those names joined with the separator, for a usage or error text.
std::string FieldCardNames(std::string_view separator);

// The cards the names stand for. A field holds at most one card per protocol (type A, type
// B, FeliCa); "none" alone stands for the empty field. Nothing, and the reason in *error,
// for no names, an unknown name, two cards of one protocol or "none" beside a card.
std::optional<std::vector<FieldCard>> ChooseFieldCards(std::span<const std::string_view> names,
                                                       std::string* error);

// What a field of these cards holds: "in the field: mifare1k, typeb", or
// "in the field: no card".
std::string DescribeFieldCards(std::span<const FieldCard> cards);

}  // namespace sim
