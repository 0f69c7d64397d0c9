#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// SLIP framing of the ESP boot-loader packets that the reader relays to its WiFi module.

inline constexpr std::uint8_t kSlipEnd = 0xC0;
inline constexpr std::uint8_t kSlipEscape = 0xDB;
inline constexpr std::uint8_t kSlipEscapedEnd = 0xDC;
inline constexpr std::uint8_t kSlipEscapedEscape = 0xDD;

// Writes the frame of packet into out: C0, the packet with C0 sent as DB DC and DB as DB DD,
// C0. Returns the frame's length, or 0 when it does not fit out.
std::size_t SlipEncode(std::span<const std::uint8_t> packet, std::span<std::uint8_t> out);

// Length of the piece of frame that starts at offset: maxLength bytes (the rest when fewer
// remain), one fewer when the piece would end on the escape byte that opens a pair, so a
// pair never travels in two pieces. maxLength is at least 2.
std::size_t SlipPieceLength(std::span<const std::uint8_t> frame, std::size_t offset,
                            std::size_t maxLength);
