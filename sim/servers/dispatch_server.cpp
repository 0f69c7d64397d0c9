#include "sim/servers/dispatch_server.h"

#include <array>

#include "sim/servers/loopback_listener.h"
#include "sim/servers/two_id_server_box.h"

namespace {

constexpr std::array<std::uint8_t, 8> kReplyKey = {'9', 'd', '4', 'f', '0', '2', 'a', '6'};

}  // namespace

DispatchServer::DispatchServer(const std::string& address, int port)
    : ScriptedServer(address, port) {
    Start([this](int connection) { ServeConnection(connection); });
}

DispatchServer::~DispatchServer() { Stop(); }

std::vector<std::uint8_t> DispatchServer::Reply(std::int32_t status,
                                                const std::vector<std::uint8_t>& payload) {
    return TwoIdServerBox::BuildReply(kReplyKey, status, payload);
}

void DispatchServer::ServeConnection(int connection) {
    for (;;) {
        const auto next = NextRequest(connection);
        if (!next) return;
        const auto& [request, handler] = *next;
        const Step step = handler(request);
        for (const std::vector<std::uint8_t>& reply : step.replies) {
            WriteAll(connection, reply.data(), reply.size());
        }
        if (step.close) return;
    }
}
