#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/protocol/command_exchange.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"

// The common exchange of a command that reads `need` bytes of its reply: a reply payload
// shorter than that fails with code 3 (a short reply), and onReply, which copies the fields
// out, runs only for a reply that holds them all.
template <class OnReply>
bool DeviceQuery(ReaderSession& session, std::uint8_t command,
                 std::span<const std::uint8_t> payload, int timeout, std::size_t need,
                 OnReply&& onReply) {
    if (!CommandExchange(session, command, payload, timeout)) return false;
    const std::span<const std::uint8_t> reply = session.ReplyPayload();
    if (reply.size() < need) {
        session.SetErrorCode(LCEC_RECV_TIME_OUT);
        return false;
    }
    onReply(reply);
    return true;
}

// A 32-bit value as the request payloads carry it, least significant byte first.
inline std::array<std::uint8_t, 4> Le32Bytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}
