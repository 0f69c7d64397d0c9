#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/protocol/reader_session.h"
#include "core/transport/tcp_client.h"

namespace sim_test {

// A driver session on korvicard-sim's TCP port (SimProgram::TcpPort).
class ProgramSession {
  public:
    using Bytes = std::vector<std::uint8_t>;

    explicit ProgramSession(int port) {
        session_.SetTcpClient(std::make_unique<TcpClient>());
        open_ = port > 0 && session_.OpenDevice("127.0.0.1", port, 0, 0, 1000);
    }
    ~ProgramSession() { session_.CloseDevice(); }
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    bool open() const { return open_; }
    ReaderSession& driver() { return session_; }
    // The reply payload of one command; nothing when it failed (the code in error()).
    std::optional<Bytes> Send(std::uint8_t command, const Bytes& payload) {
        if (!session_.Transact(command, payload.data(), static_cast<unsigned>(payload.size()),
                               2000)) {
            return std::nullopt;
        }
        const std::span<const std::uint8_t> reply = session_.ReplyPayload();
        return Bytes(reply.begin(), reply.end());
    }
    int error() const { return session_.GetErrorCode(); }

  private:
    ReaderSession session_;
    bool open_ = false;
};

}  // namespace sim_test
