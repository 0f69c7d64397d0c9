#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/servers/dispatch_server.h"

// The identity-card services of the simulator, each on its own loopback address:
//
// IdentityServerService, an identity server (SAMV box) on address:port that relays the
// card's reads (start 1/9/71/78, internal authentication answer 2, challenge 3, file chunks
// 5-8 and the result after the last one; the PSAM status 70 asks for no unlock) and answers
// the box's administrative commands 52-79. Its configuration commands need the box's
// password, the initial one ("KVIdBoxInitPass!") until it is changed; a wrong password gets
// a failing SAM answer.
//
// DispatchService, a dispatch server on port 31213 that assigns that identity server to
// every request (58) and takes the result reports (72); Refuse makes it answer with port 0
// and a text instead.
class IdentityServerService {
  public:
    IdentityServerService(const std::string& address, int port);

    int Port() const { return server_.Port(); }
    const std::string& Address() const { return address_; }
    // A busy server answers the start of a read with status 50 and relays nothing.
    void SetBusy(bool busy);
    DispatchServer& server() { return server_; }

  private:
    DispatchServer::Step Answer(const DispatchServer::Request& request);
    DispatchServer::Step Administer(const DispatchServer::Request& request);
    std::vector<std::uint8_t> Result(bool withFingerprint) const;
    bool PasswordIs(const std::uint8_t* password) const;

    std::string address_;
    std::mutex mutex_;
    bool busy_ = false;
    bool withFingerprint_ = false;
    int chunks_ = 0;
    std::array<std::uint8_t, 16> password_{};
    std::vector<std::uint8_t> config_;
    DispatchServer server_;
};

class DispatchService {
  public:
    DispatchService(const std::string& address, const std::string& idServerAddress,
                    int idServerPort);

    void Refuse(const std::string& text);
    DispatchServer& server() { return server_; }

  private:
    DispatchServer::Step Answer(const DispatchServer::Request& request);

    std::array<std::uint8_t, 4> idServer_{};
    int idServerPort_;
    std::mutex mutex_;
    std::string refusal_;
    DispatchServer server_;
};
