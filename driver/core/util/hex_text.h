#pragma once

#include <cstddef>
#include <cstdint>

// Writes two upper-case hex digits per byte, high nibble first; with `spaced`
// non-zero each byte is followed by a blank. No terminator is written.
// Returns the number of bytes converted.
std::size_t BytesToHexText(const std::uint8_t* data, char* text, std::size_t length,
                           std::uint8_t spaced);
