#include "sim/servers/two_id_server_box.h"

#include <algorithm>
#include <optional>

#include "sim/servers/loopback_listener.h"

TwoIdServerBox::TwoIdServerBox(const std::string& address) : ScriptedServer(address, 0) {
    Start([this](int connection) { ServeOne(connection); });
}

TwoIdServerBox::~TwoIdServerBox() { Stop(); }

std::vector<std::uint8_t> TwoIdServerBox::BuildReply(const std::array<std::uint8_t, 8>& key,
                                                     std::int32_t status,
                                                     const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> message(16 + payload.size());
    const auto total = static_cast<std::uint32_t>(message.size());
    for (int i = 0; i < 4; ++i) {
        message[i] = static_cast<std::uint8_t>(total >> (8 * i));
        message[12 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(status) >> (8 * i));
    }
    std::copy(key.begin(), key.end(), message.begin() + 4);
    std::copy(payload.begin(), payload.end(), message.begin() + 16);
    ScrambleServerMessage(message, key.data());
    return message;
}

void TwoIdServerBox::ServeOne(int connection) {
    const auto next = NextRequest(connection);
    if (!next) return;
    const auto& [request, handler] = *next;
    const Answer answer = handler(request);
    if (answer.silent) {
        WaitForPeerClose(connection, Stopping());
        return;
    }
    static constexpr std::array<std::uint8_t, 8> kReplyKey = {'5', 'e', '0', 'b',
                                                              'c', '7', '1', 'a'};
    const std::vector<std::uint8_t> bytes =
        answer.raw ? answer.rawBytes : BuildReply(kReplyKey, answer.status, answer.payload);
    WriteAll(connection, bytes.data(), bytes.size());
}
