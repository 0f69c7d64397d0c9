#include "sim/servers/dispatch_server.h"

#include <unistd.h>

#include <algorithm>
#include <optional>

#include "sim/servers/loopback_listener.h"

namespace {

constexpr std::array<std::uint8_t, 8> kReplyKey = {'9', 'd', '4', 'f', '0', '2', 'a', '6'};

}  // namespace

DispatchServer::DispatchServer(const std::string& address, int port) : port_(port) {
    listenSocket_ = ListenOnLoopback(address, &port_);
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
        const std::optional<Request> read = TwoIdServerBox::ReadRequest(connection, stop_);
        if (!read) return;
        const Request& request = *read;
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (keepRequests_) requests_.push_back(request);
            handler = handler_;
        }
        const Step step = handler(request);
        for (const std::vector<std::uint8_t>& reply : step.replies) {
            WriteAll(connection, reply.data(), reply.size());
        }
        if (step.close) return;
    }
}
