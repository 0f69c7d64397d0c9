#pragma once

#include <array>
#include <cstdint>
#include <functional>

// The 4-byte mask of a request frame, in wire order.
using FrameMask = std::array<std::uint8_t, 4>;

// The mask of the next request frame. The driver's own generator is seeded with the current
// time in seconds; two 15-bit draws make R = (first << 16) + second, which is XORed with the
// library-wide frame counter after it is incremented; the mask is FrameMaskFromWord(R).
// Safe to call from several threads (one lock guards the generator and the counter).
FrameMask NextFrameMask();

// M = R XOR W, where W is the first four characters of the MD5 hex digest of R's four bytes
// (least significant first), read as a little-endian word. Bytes of M least significant first.
FrameMask FrameMaskFromWord(std::uint32_t r);

// Test seam: while a source is set, NextFrameMask answers what it returns (the frame counter
// still counts). An empty function restores the generator.
using FrameMaskSource = std::function<FrameMask()>;
void SetFrameMaskSource(FrameMaskSource source);
