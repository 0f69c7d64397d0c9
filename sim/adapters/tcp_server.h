#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "sim/adapters/reader_port.h"
#include "sim/adapters/wake_event.h"

namespace sim {

// The simulated reader as a networked reader: a TCP server on a loopback address (127.0.0.1
// unless given) that serves one connection at a time (others wait their turn), in a thread
// of its own.
class TcpServer {
  public:
    explicit TcpServer(ReaderPort& port);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Listens on host:port (0 picks a free port) and starts serving. False when host is no
    // dotted 127.x.y.z address, the port cannot be bound or the server was started before
    // (a server starts once).
    bool Start(std::uint16_t port = 0, const char* host = "127.0.0.1");
    // The port listened on (0 before Start).
    std::uint16_t Port() const { return port_; }
    // Closes the connection being served, as a reader that resets would; the server goes
    // on accepting.
    void DropConnection();
    // Closes every socket and joins the thread; a second call does nothing.
    void Stop();
    // Connections accepted so far.
    int Connections() const { return connections_.load(); }

  private:
    void Serve();

    ReaderPort& port_ref_;
    WakeEvent stop_;
    int listener_ = -1;
    std::mutex clientMutex_;
    int client_ = -1;
    bool started_ = false;
    std::atomic<int> connections_{0};
    std::uint16_t port_ = 0;
    std::thread thread_;
};

}  // namespace sim
