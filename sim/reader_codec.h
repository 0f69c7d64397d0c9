#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The reader's side of the wire format: request frames in, reply frames out.

namespace sim {

using FrameMask = std::array<std::uint8_t, 4>;

// One request as the reader decoded it.
struct Request {
    std::uint8_t sequence = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
    FrameMask mask{};
};

enum class RequestCheck {
    kOk,
    kIncomplete,    // fewer bytes than the frame announces
    kBadLength,     // length byte and payload-length field disagree, or the payload is too long
    kBadCheckByte,  // the XOR of the frame does not match its last byte
};

// Size of the request frame that starts at head[0], or nothing while too few bytes are
// there to tell: the length byte + 1, or for a length byte of 255 the payload-length field
// (unscrambled from bytes 7 and 8) + 10.
std::optional<std::size_t> RequestFrameSize(std::span<const std::uint8_t> head);

// Checks and unscrambles one whole request frame (exactly the bytes of the frame).
RequestCheck DecodeRequest(std::span<const std::uint8_t> frame, Request& request);

// Builds a reply frame from its plain bytes after the length byte and before the check
// byte (sequence, status, payload length, payload...): L = body size + 1, the body
// scrambled with position, the request's mask and the reply mask, then the check byte.
// Throws std::length_error when the body is longer than 254 bytes.
std::vector<std::uint8_t> EncodeReplyFrame(std::span<const std::uint8_t> body,
                                           const FrameMask& requestMask);

// A success reply: status 0, the payload length, the payload (at most 251 bytes).
std::vector<std::uint8_t> EncodeReply(std::uint8_t sequence, std::uint8_t status,
                                      std::span<const std::uint8_t> payload,
                                      const FrameMask& requestMask);

}  // namespace sim
