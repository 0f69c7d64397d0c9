#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Constants of the reader wire protocol, shared by the driver and the simulated reader.

#ifndef KORVICARD_REPLY_MASK
#error \
    "KORVICARD_REPLY_MASK (the reply mask as a 32-bit number, wire order high byte first) must be defined by the build"
#endif

// The fixed reply mask K of the reader firmware, bytes in wire order.
inline constexpr std::array<std::uint8_t, 4> kReplyMask = {
    static_cast<std::uint8_t>((KORVICARD_REPLY_MASK >> 24) & 0xFF),
    static_cast<std::uint8_t>((KORVICARD_REPLY_MASK >> 16) & 0xFF),
    static_cast<std::uint8_t>((KORVICARD_REPLY_MASK >> 8) & 0xFF),
    static_cast<std::uint8_t>(KORVICARD_REPLY_MASK & 0xFF),
};

#ifndef KORVICARD_DECODER_KEYS
#error \
    "KORVICARD_DECODER_KEYS (the photo decoder's request and reply keys, 8 hex digits) must be defined by the build"
#endif

// Photo decoder scramble keys: two for the request, two for the reply.
inline constexpr std::uint8_t kDecoderRequestKey1 = (KORVICARD_DECODER_KEYS >> 24) & 0xFF;
inline constexpr std::uint8_t kDecoderRequestKey2 = (KORVICARD_DECODER_KEYS >> 16) & 0xFF;
inline constexpr std::uint8_t kDecoderReplyKey1 = (KORVICARD_DECODER_KEYS >> 8) & 0xFF;
inline constexpr std::uint8_t kDecoderReplyKey2 = KORVICARD_DECODER_KEYS & 0xFF;
#ifndef KORVICARD_DECODER_PORT
#error "KORVICARD_DECODER_PORT (the photo decoder's TCP port) must be defined by the build"
#endif

// Photo decoder TCP port, request and reply sizes.
inline constexpr int kDecoderPort = KORVICARD_DECODER_PORT;
inline constexpr std::size_t kDecoderRequestSize = 1284;
inline constexpr std::size_t kDecoderReplySize = 4128;

// Request and reply frame buffers of a session.
inline constexpr std::size_t kFrameBufferSize = 300;
// Request: length byte, 4 mask bytes, sequence, command, 2 payload-length bytes, payload, check.
inline constexpr std::size_t kRequestHeaderSize = 9;
inline constexpr std::size_t kRequestOverhead = kRequestHeaderSize + 1;
inline constexpr unsigned kMaxRequestPayload = kFrameBufferSize - kRequestOverhead;  // 290
// A request longer than the route's packet carries this length byte; the reader takes the
// length from the payload-length field instead.
inline constexpr std::uint8_t kLongFrameLengthByte = 255;
inline constexpr std::size_t kHidPacketSize = 64;
inline constexpr std::size_t kStreamPacketSize = 255;

// Reply: length byte L, sequence, status, payload length, payload (or error code), check.
inline constexpr std::size_t kReplyPayloadOffset = 4;
inline constexpr std::size_t kMaxReplyFrame = 256;  // L + 1 with L at most 255
inline constexpr std::size_t kMaxReplyPayload = kMaxReplyFrame - kReplyPayloadOffset - 1;  // 251

// Pieces of the caller's transport callback: always 256 bytes. A written frame starts with
// its first 64 bytes as they are; each later piece holds a count byte (255 for a full 63
// bytes) and up to 63 bytes. A read piece holds its byte count P in byte 0; the first piece
// of a frame carries P frame bytes from byte 1, a later one a count byte in byte 1 and P - 1
// frame bytes from byte 2.
inline constexpr int kCallbackPieceSize = 256;
inline constexpr std::size_t kCallbackFirstPieceBytes = 64;
inline constexpr std::size_t kCallbackPieceDataBytes = 63;
inline constexpr std::uint8_t kCallbackFullPieceCount = 255;
inline constexpr int kCallbackDirectionWrite = 0;
inline constexpr int kCallbackDirectionRead = 1;
