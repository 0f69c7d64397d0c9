#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

// The one way a command copies bytes of a reply payload into a destination.
//
// Copies the bytes [offset, offset + count) of `payload` into `dest`, clipped to the end of
// the payload and to `capacity`: never reads past the payload, never writes more than
// `capacity` bytes. Returns the number of bytes copied (0 for a null `dest`, a zero
// `capacity` or an offset at or past the end). `count` defaults to "the rest".
//
// Use the return value, not the reply's own length byte, for any length field that tells
// the caller how much was written; compare it with the count you need when a shorter copy
// must be a failure.
std::size_t CopyPayloadBounded(std::span<const std::uint8_t> payload, std::size_t offset,
                               std::size_t count, std::uint8_t* dest, std::size_t capacity);

inline constexpr std::size_t kWholePayload = std::numeric_limits<std::size_t>::max();
