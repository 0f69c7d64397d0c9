#pragma once

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim/servers/loopback_listener.h"

// A request message of the identity-server format: 4-byte little-endian total length,
// 8-byte key, then command, 3 zero bytes, 8-byte parameter block and payload, scrambled
// from byte 12 on with key[i % 8] ^ (i % 256).
struct ServerRequest {
    std::uint32_t length = 0;
    std::array<std::uint8_t, 8> key{};
    std::uint8_t command = 0;
    std::array<std::uint8_t, 3> reserved{};
    std::array<std::uint8_t, 8> parameters{};
    std::vector<std::uint8_t> payload;
    // The message as it arrived, still scrambled.
    std::vector<std::uint8_t> wire;
};

// Reads and unscrambles one request message; nothing when the connection ends first or the
// length is below 24 or above 64 KiB.
std::optional<ServerRequest> ReadServerRequest(int connection, const std::atomic<bool>& stop);

// Scrambles (and unscrambles) a message of that format in place, from byte 12 on.
void ScrambleServerMessage(std::vector<std::uint8_t>& message, const std::uint8_t* key);

// The skeleton the scripted identity servers share: a listening socket on its own loopback
// address, one thread accepting one connection at a time, the handler a test sets (it
// answers each request with a Step) and the log of every request read.
template <class Step>
class ScriptedServer {
  public:
    using Request = ServerRequest;
    using Handler = std::function<Step(const Request&)>;

    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    const std::string& Address() const { return address_; }
    int Connections() const { return connections_.load(); }

    void SetHandler(Handler handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
    }

    std::vector<Request> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    // A long-running server (korvicard-sim) keeps no request log.
    void SetKeepRequests(bool keep) { keepRequests_ = keep; }

  protected:
    // Binds address (a 127.x.y.z text) at port, a free port for 0. Until Start the
    // server accepts nothing; the handler answers every request with Step{}.
    ScriptedServer(const std::string& address, int port) : address_(address), port_(port) {
        listenSocket_ = ListenOnLoopback(address_, &port_);
        handler_ = [](const Request&) { return Step{}; };
    }
    ~ScriptedServer() {
        Stop();
        close(listenSocket_);
    }

    // Accepts connections one at a time, hands each to serve and closes it after.
    void Start(std::function<void(int connection)> serve) {
        thread_ = std::thread([this, serve = std::move(serve)] {
            while (!stop_) {
                const int connection = AcceptWithin(listenSocket_, 20);
                if (connection < 0) continue;
                ++connections_;
                serve(connection);
                close(connection);
            }
        });
    }

    // Ends the accept loop (the connection being served ends at its next read). A derived
    // server calls it first in its destructor.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    // The next request of the connection, logged, with the handler that answers it;
    // nothing when the connection ends first or the server stops.
    std::optional<std::pair<Request, Handler>> NextRequest(int connection) {
        std::optional<Request> request = ReadServerRequest(connection, stop_);
        if (!request) return std::nullopt;
        std::lock_guard<std::mutex> lock(mutex_);
        if (keepRequests_) requests_.push_back(*request);
        return std::make_pair(std::move(*request), handler_);
    }

    const std::atomic<bool>& Stopping() const { return stop_; }

  private:
    std::string address_;
    int port_ = 0;
    int listenSocket_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> keepRequests_{true};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    Handler handler_;
    std::vector<Request> requests_;
    std::thread thread_;
};
