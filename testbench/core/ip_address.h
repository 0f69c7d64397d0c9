#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace bench {

// The four parts of a dotted IPv4 address written as exactly four decimal numbers 0-255,
// first octet first; nothing for any other text.
std::optional<std::array<std::uint8_t, 4>> ParseDottedAddress(const QString& text);

// True for a dotted IPv4 address that a reader can have: four decimal parts 0-255, not the
// broadcast address 255.255.255.255.
bool IsIpAddress(const QString& text);

}  // namespace bench
