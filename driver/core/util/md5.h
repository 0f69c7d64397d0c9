#pragma once

#include <cstdint>

// Appends the 32 lower-case hex digits of the MD5 digest (RFC 1321) of the
// `length` bytes at `data` to the zero-terminated text already in `text`, and
// terminates it. `text` must have room for its current text plus 33 bytes.
// Nothing is written when `text` is null, or when `data` is null with a
// non-zero length, or when `length` is negative.
void Md5Hex(const std::uint8_t* data, int length, char* text);
