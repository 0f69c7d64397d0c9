#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/servers/scripted_server.h"

// What the dispatch server does after one request.
struct DispatchStep {
    // Whole messages written back in order (build them with Reply or send raw bytes).
    std::vector<std::vector<std::uint8_t>> replies;
    // Close the connection after the replies.
    bool close = false;
};

// A stand-in for the dispatch server and the identity server it assigns: listens on TCP
// port 31213 (or the port given; 0 picks a free one) of its own loopback address, serves one
// connection at a time and reads every message of it (ServerRequest) until the client closes.
// The handler decides, message by message, which replies go back and whether the server drops
// the connection.
class DispatchServer : public ScriptedServer<DispatchStep> {
  public:
    static constexpr int kPort = 31213;
    using Step = DispatchStep;

    explicit DispatchServer(const std::string& address, int port = kPort);
    ~DispatchServer();

    static std::vector<std::uint8_t> Reply(std::int32_t status,
                                           const std::vector<std::uint8_t>& payload);

  private:
    void ServeConnection(int connection);
};
