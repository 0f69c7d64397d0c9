#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/servers/two_id_server_box.h"

// A stand-in for the dispatch server and the identity server it assigns: listens on TCP
// port 31213 (or the port given; 0 picks a free one) of its own loopback address, serves one
// connection at a time and reads every message of it (the identity-server message format, see
// TwoIdServerBox) until the client closes. The handler decides, message by message, which replies
// go back and whether the server drops the connection.
class DispatchServer {
  public:
    static constexpr int kPort = 31213;
    using Request = TwoIdServerBox::Request;
    struct Step {
        // Whole messages written back in order (build them with Reply or send raw bytes).
        std::vector<std::vector<std::uint8_t>> replies;
        // Close the connection after the replies.
        bool close = false;
    };
    using Handler = std::function<Step(const Request&)>;

    explicit DispatchServer(const std::string& address, int port = kPort);
    ~DispatchServer();
    DispatchServer(const DispatchServer&) = delete;
    DispatchServer& operator=(const DispatchServer&) = delete;

    void SetHandler(Handler handler);
    std::vector<Request> Requests() const;
    int Connections() const { return connections_.load(); }
    int Port() const { return port_; }
    // A long-running server (korvicard-sim) keeps no request log.
    void SetKeepRequests(bool keep) { keepRequests_ = keep; }

    static std::vector<std::uint8_t> Reply(std::int32_t status,
                                           const std::vector<std::uint8_t>& payload);

  private:
    void Serve();
    void ServeConnection(int connection);

    int listenSocket_ = -1;
    int port_ = kPort;
    std::atomic<bool> keepRequests_{true};
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    Handler handler_;
    std::vector<Request> requests_;
    std::thread thread_;
};
