#pragma once

#include <cstddef>
#include <cstdint>

// Base64 with the RFC 4648 alphabet and "=" padding.

// Bytes the encoder writes for `length` bytes with `lineLength`, CR LF line
// breaks and the terminator included; 0 for a negative length.
std::size_t Base64EncodedSize(int length, int lineLength);

// Encodes `length` bytes into out (outSize bytes) and terminates it. After a
// whole group of 3 bytes, once more than lineLength - 4 characters stand on
// the line, CR LF starts a new one (lines of 4 * (lineLength / 4) characters,
// at least 4); none follows the padded last group. Returns the characters
// written before the terminator, or -1 (nothing written) for a null pointer, a
// negative length, an out smaller than Base64EncodedSize or a result
// longer than an int can count.
int Base64Encode(const std::uint8_t* data, int length, char* out, std::size_t outSize,
                 int lineLength);

// Decodes the length / 4 whole groups of 4 characters of text (trailing
// characters are ignored) into 3 bytes each; a character outside the
// alphabet ("=", CR, LF among them) gives zero bits. Writes no terminator.
// Returns the bytes written, or -1 (nothing written) for a null pointer, a
// negative length or an out smaller than 3 bytes per group.
int Base64Decode(const char* text, int length, std::uint8_t* out, std::size_t outSize);

// (length + 2) / 3 * 4 + 1: the encoder's size without line breaks. The
// first argument is not read. 0 for a negative length or a size beyond int.
int GetEncodeNewLen(int, int length);

// length / 4 * 3 + 1. The first argument is not read. 0 for a negative length.
int GetDecodeNewLen(int, int length);
