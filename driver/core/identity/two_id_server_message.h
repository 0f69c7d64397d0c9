#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/transport/tcp_client.h"

struct TwoIdInfoParam;

// Messages exchanged with an identity-card server box. A request is the 4-byte total
// length, the 8-byte key in plain, the command, 3 zero bytes, an 8-byte parameter block and
// the payload; a reply is the length, its key, a 32-bit status and the payload. Everything
// from byte 12 on is scrambled with the message's key (see ScrambleServerMessage).
inline constexpr std::size_t kServerMessageKeySize = 8;
inline constexpr std::size_t kServerParameterBlockSize = 8;
inline constexpr std::size_t kServerRequestHeaderSize = 24;
inline constexpr std::size_t kServerReplyHeaderSize = 16;
inline constexpr std::size_t kServerScrambleOffset = 12;
inline constexpr std::size_t kServerBufferSize = 8192;

// Writes a fresh 8-character key: the first 8 lower-case hex digits of the MD5 digest of
// (a random value seeded from the current time + the process-wide request counter).
void MakeServerMessageKey(std::uint8_t* key);

// XORs bytes 12 .. length-1 of message with key[i % 8] and (i % 256), i counted from byte 12.
// The same call scrambles and unscrambles.
void ScrambleServerMessage(std::uint8_t* message, std::size_t length, const std::uint8_t* key);

// Builds the request in buffer and sets *lengthOut; with send set, sends all of it through
// client. False for a missing client, key, parameter block, buffer or length out, for a
// payload length without a payload, for a request that does not fit the buffer, or for a
// send that did not take every byte.
bool SendServerRequest(TcpClient* client, std::uint8_t command, const std::uint8_t* key,
                       const std::uint8_t* parameters, const std::uint8_t* payload,
                       std::size_t payloadLength, std::span<std::uint8_t> buffer,
                       std::size_t* lengthOut, bool send);

// Receives one reply into work (the session's message buffer), unscrambles it, sets *status
// and moves the payload to the start of out, with its length in *capacity. out may be work
// itself. The length header is checked against both buffers before anything beyond it is
// read. A payload that is a SAM short answer other than the success answer fails; when
// keepJpeg is set and record is given it is first kept in the record's JPEG field (bounded
// by that field).
bool ReceiveServerReply(TcpClient* client, std::int32_t* status, std::span<std::uint8_t> work,
                        std::uint8_t* out, std::size_t* capacity, TwoIdInfoParam* record,
                        bool keepJpeg);
