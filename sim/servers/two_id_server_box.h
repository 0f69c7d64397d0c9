#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/servers/scripted_server.h"

// The answer a test scripts for one request to the server box.
struct TwoIdServerAnswer {
    std::int32_t status = 0;
    std::vector<std::uint8_t> payload;
    // When set, these bytes go out instead of a built reply, then the connection closes.
    bool raw = false;
    std::vector<std::uint8_t> rawBytes;
    // No answer at all: the connection stays open until the client leaves.
    bool silent = false;

    static TwoIdServerAnswer Reply(std::int32_t status, std::vector<std::uint8_t> payload) {
        TwoIdServerAnswer a;
        a.status = status;
        a.payload = std::move(payload);
        return a;
    }
    static TwoIdServerAnswer Raw(std::vector<std::uint8_t> bytes) {
        TwoIdServerAnswer a;
        a.raw = true;
        a.rawBytes = std::move(bytes);
        return a;
    }
    static TwoIdServerAnswer Silent() {
        TwoIdServerAnswer a;
        a.silent = true;
        return a;
    }
};

// A stand-in for an identity-card server box: accepts one TCP connection at a time on
// its own loopback address, reads one message (ServerRequest), answers it and closes.
class TwoIdServerBox : public ScriptedServer<TwoIdServerAnswer> {
  public:
    using Answer = TwoIdServerAnswer;

    // Binds address (a 127.x.y.z text) on a free port.
    explicit TwoIdServerBox(const std::string& address);
    ~TwoIdServerBox();

    // A reply message as the box sends it: length 16 + payload, key, status, payload.
    static std::vector<std::uint8_t> BuildReply(const std::array<std::uint8_t, 8>& key,
                                                std::int32_t status,
                                                const std::vector<std::uint8_t>& payload);

  private:
    void ServeOne(int connection);
};
