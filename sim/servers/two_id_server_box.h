#pragma once

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

// A stand-in for an identity-card server box: accepts one TCP connection at a time on
// its own loopback address, reads one message (4-byte little-endian total length, 8-byte
// key, then command, 3 zero bytes, 8-byte parameter block and payload, scrambled from
// byte 12 on with key[i % 8] ^ (i % 256)), answers it and closes.
class TwoIdServerBox {
public:
    struct Request {
        std::uint32_t length = 0;
        std::array<std::uint8_t, 8> key{};
        std::uint8_t command = 0;
        std::array<std::uint8_t, 3> reserved{};
        std::array<std::uint8_t, 8> parameters{};
        std::vector<std::uint8_t> payload;
        // The message as it arrived, still scrambled.
        std::vector<std::uint8_t> wire;
    };
    struct Answer {
        std::int32_t status = 0;
        std::vector<std::uint8_t> payload;
        // When set, these bytes go out instead of a built reply, then the connection closes.
        bool raw = false;
        std::vector<std::uint8_t> rawBytes;
        // No answer at all: the connection stays open until the client leaves.
        bool silent = false;

        static Answer Reply(std::int32_t status, std::vector<std::uint8_t> payload) {
            Answer a;
            a.status = status;
            a.payload = std::move(payload);
            return a;
        }
        static Answer Raw(std::vector<std::uint8_t> bytes) {
            Answer a;
            a.raw = true;
            a.rawBytes = std::move(bytes);
            return a;
        }
        static Answer Silent() {
            Answer a;
            a.silent = true;
            return a;
        }
    };
    using Handler = std::function<Answer(const Request&)>;

    // Binds address (a 127.x.y.z text) on a free port.
    explicit TwoIdServerBox(const std::string& address);
    ~TwoIdServerBox();
    TwoIdServerBox(const TwoIdServerBox&) = delete;
    TwoIdServerBox& operator=(const TwoIdServerBox&) = delete;

    int Port() const { return port_; }
    const std::string& Address() const { return address_; }
    void SetHandler(Handler handler);
    std::vector<Request> Requests() const;
    int Connections() const { return connections_.load(); }

    // Reads and unscrambles one request message; nothing when the connection ends first or
    // the length is below 24 or above 64 KiB.
    static std::optional<Request> ReadRequest(int connection, const std::atomic<bool>& stop);

    // A reply message as the box sends it: length 16 + payload, key, status, payload.
    static std::vector<std::uint8_t> BuildReply(const std::array<std::uint8_t, 8>& key,
                                                std::int32_t status,
                                                const std::vector<std::uint8_t>& payload);

private:
    void Serve();
    void ServeOne(int connection);

    std::string address_;
    int listenSocket_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    Handler handler_;
    std::vector<Request> requests_;
    std::thread thread_;
};
