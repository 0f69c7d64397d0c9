#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/protocol/mask_generator.h"
#include "core/protocol/reader_protocol_constants.h"

// The driver's codec of ReaderFrame (request and reply).

// XOR of the `count` bytes at `bytes`.
std::uint8_t FrameCheckByte(const std::uint8_t* bytes, std::size_t count);

// Lays a request into `frame`, which is cleared first. n = length + 10 bytes: byte 0 is n - 1,
// or 255 when n exceeds `packetSize`; bytes 1-4 the mask; sequence, command, the payload
// length (big-endian) and the payload follow, each byte i after the mask XORed with
// mask[i % 4] and i; the check byte (XOR of all bytes before it) ends the frame. A null
// payload with a non-zero length sends that many zero bytes. Returns n, or 0 (frame left
// cleared) when length exceeds kMaxRequestPayload.
std::size_t EncodeRequestFrame(std::span<std::uint8_t, kFrameBufferSize> frame,
                               const FrameMask& mask, std::uint8_t sequence, std::uint8_t command,
                               const std::uint8_t* payload, unsigned length,
                               std::size_t packetSize);

// Descrambles bytes 1 to L - 1 of a reply (L = frame[0], the frame holds L + 1 bytes): byte
// 1 + j is XORed with j, requestMask[j % 4] and kReplyMask[j % 4]. Nothing for L <= 1.
void DescrambleReplyFrame(std::uint8_t* frame, const FrameMask& requestMask);
