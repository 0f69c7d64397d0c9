#pragma once

#include <cstdint>

// Smallest output GetNationName writes into.
inline constexpr int kNationNameMinSize = 10;

// The name of nationality `code` in the order of GB 3304 (1 Han, 2 Mongol, ... 56 Jino), as
// GBK text without the word for "nationality", zero-terminated. The code is the decimal
// number codeText holds when codeText is given, else codeByte. False, with nothing written,
// for a null output, a size below kNationNameMinSize, text that is not a decimal number or
// a code outside 1-56.
bool GetNationName(const char* codeText, char* output, int size, std::uint8_t codeByte);
