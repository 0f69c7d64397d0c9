#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The SAMV module's serial frame, request and answer alike: preamble AA AA AA 96 69, a
// big-endian length of the bytes that follow it (body and check byte), the body (a request's
// command bytes; an answer's three status bytes, then its data) and a check byte, the XOR
// of every byte from the length field on.

inline constexpr std::array<std::uint8_t, 5> kSamvPreamble = {0xAA, 0xAA, 0xAA, 0x96, 0x69};
// Preamble and length field.
inline constexpr std::size_t kSamvHeaderSize = 7;

// The whole frame around body (at most 65534 bytes).
std::vector<std::uint8_t> BuildSamvFrame(std::span<const std::uint8_t> body);
// True when the bytes start with the preamble.
bool HasSamvPreamble(std::span<const std::uint8_t> bytes);
// The frame size a header announces: its length field + 7; 0 for fewer than 7 bytes.
std::size_t SamvFrameTotal(std::span<const std::uint8_t> header);
// True when the frame's check byte matches (the XOR from byte 5 to its end is 0).
bool SamvCheckByteValid(std::span<const std::uint8_t> frame);
