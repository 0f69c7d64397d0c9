#include "sim/servers/scripted_server.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kMaxRequest = 64 * 1024;

}  // namespace

void ScrambleServerMessage(std::vector<std::uint8_t>& message, const std::uint8_t* key) {
    for (std::size_t p = 12; p < message.size(); ++p) {
        const std::size_t i = p - 12;
        message[p] ^= static_cast<std::uint8_t>(key[i % 8] ^ (i % 256));
    }
}

std::optional<ServerRequest> ReadServerRequest(int connection, const std::atomic<bool>& stop) {
    std::vector<std::uint8_t> message(4);
    if (!ReadExactly(connection, message.data(), 4, stop)) return std::nullopt;
    const std::uint32_t length = message[0] | message[1] << 8 | message[2] << 16 |
                                 static_cast<std::uint32_t>(message[3]) << 24;
    if (length < 24 || length > kMaxRequest) return std::nullopt;
    message.resize(length);
    if (!ReadExactly(connection, message.data() + 4, length - 4, stop)) return std::nullopt;
    ServerRequest request;
    request.length = length;
    request.wire = message;
    std::copy(message.begin() + 4, message.begin() + 12, request.key.begin());
    ScrambleServerMessage(message, request.key.data());
    request.command = message[12];
    std::copy(message.begin() + 13, message.begin() + 16, request.reserved.begin());
    std::copy(message.begin() + 16, message.begin() + 24, request.parameters.begin());
    request.payload.assign(message.begin() + 24, message.end());
    return request;
}
