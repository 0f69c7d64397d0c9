#pragma once

#include <optional>
#include <string>
#include <string_view>

// DES (FIPS 46) over hex text: 16 hex digits per 64-bit block, either case in,
// upper case out. Every routine answers nothing (std::nullopt) for text that
// holds a non-hex character or lacks digits it needs.

// True when text is made only of the digits 0-9, A-F and a-f (empty included).
bool IsHexDigits(std::string_view text);

// Single DES in ECB mode with the first 16 digits of key (at least 16 needed).
// Encryption completes a partial last block with "80" and then "0" digits up
// to the next multiple of 16 digits; whole blocks get no padding. Decryption
// needs whole blocks and removes no padding.
std::optional<std::string> DesHex(std::string_view data, std::string_view key, bool decrypt);

// Two-key triple DES (encrypt K1, decrypt K2, encrypt K1; the reverse to
// decrypt) with a key of exactly 32 digits, K1 first. Data as for DesHex.
// Another key length prints "密钥长度错" (in GBK) and answers nothing.
std::optional<std::string> TripleDesHex(std::string_view data, std::string_view key, bool decrypt);
