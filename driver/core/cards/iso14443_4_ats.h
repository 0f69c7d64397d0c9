#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The answer to select (ATS) of an ISO/IEC 14443-4 type A card.
struct AtsInfo {
    std::uint8_t length = 0;  // TL: the ATS's own count of its bytes
    std::uint8_t fsci = 2;    // the card's frame size code (2 when T0 is absent)
    std::optional<std::uint8_t> ta1;
    std::optional<std::uint8_t> tb1;
    std::optional<std::uint8_t> tc1;
    std::span<const std::uint8_t> historical;
};

// Reads the ATS within the bytes received and within its TL: nothing when TL is 0 or
// counts more bytes than were received, or when T0 announces interface bytes that TL does
// not cover. Bytes received past TL are not looked at.
std::optional<AtsInfo> ParseAts(std::span<const std::uint8_t> received);
