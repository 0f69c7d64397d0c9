#include "sim/servers/dispatch_server.h"

#include <unistd.h>

#include <algorithm>

#include "sim/servers/loopback_listener.h"

namespace {

constexpr std::uint32_t kMaxRequest = 64 * 1024;
constexpr std::array<std::uint8_t, 8> kReplyKey = {'9', 'd', '4', 'f', '0', '2', 'a', '6'};

}  // namespace

DispatchServer::DispatchServer(const std::string& address) {
    int port = kPort;
    listenSocket_ = ListenOnLoopback(address, &port);
    handler_ = [](const Request&) { return Step{}; };
    thread_ = std::thread([this] { Serve(); });
}

DispatchServer::~DispatchServer() {
    stop_ = true;
    thread_.join();
    close(listenSocket_);
}

void DispatchServer::SetHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<DispatchServer::Request> DispatchServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::uint8_t> DispatchServer::Reply(std::int32_t status,
                                                const std::vector<std::uint8_t>& payload) {
    return TwoIdServerBox::BuildReply(kReplyKey, status, payload);
}

void DispatchServer::Serve() {
    while (!stop_) {
        const int connection = AcceptWithin(listenSocket_, 20);
        if (connection < 0) continue;
        ++connections_;
        ServeConnection(connection);
        close(connection);
    }
}

void DispatchServer::ServeConnection(int connection) {
    for (;;) {
        std::vector<std::uint8_t> message(4);
        if (!ReadExactly(connection, message.data(), 4, stop_)) return;
        const std::uint32_t length = message[0] | message[1] << 8 | message[2] << 16 |
                                     static_cast<std::uint32_t>(message[3]) << 24;
        if (length < 24 || length > kMaxRequest) return;
        message.resize(length);
        if (!ReadExactly(connection, message.data() + 4, length - 4, stop_)) return;
        Request request;
        request.length = length;
        request.wire = message;
        std::copy(message.begin() + 4, message.begin() + 12, request.key.begin());
        for (std::size_t p = 12; p < message.size(); ++p) {
            const std::size_t i = p - 12;
            message[p] ^= static_cast<std::uint8_t>(request.key[i % 8] ^ (i % 256));
        }
        request.command = message[12];
        std::copy(message.begin() + 13, message.begin() + 16, request.reserved.begin());
        std::copy(message.begin() + 16, message.begin() + 24, request.parameters.begin());
        request.payload.assign(message.begin() + 24, message.end());
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
            handler = handler_;
        }
        const Step step = handler(request);
        for (const std::vector<std::uint8_t>& reply : step.replies) {
            WriteAll(connection, reply.data(), reply.size());
        }
        if (step.close) return;
    }
}
