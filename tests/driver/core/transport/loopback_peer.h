#pragma once

// A TCP peer on a loopback address with an ephemeral port: accepts one connection and runs
// a behaviour on it in its own thread. Every wait is bounded so a failing test cannot hang.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace korvicard_test {

class LoopbackPeer {
public:
    using Behaviour = std::function<void(int fd)>;

    explicit LoopbackPeer(Behaviour behaviour, const char* address = "127.0.0.1") {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        inet_pton(AF_INET, address, &sa.sin_addr);
        int one = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            listen(listener_, 4) == 0) {
            socklen_t len = sizeof sa;
            getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
            port_ = ntohs(sa.sin_port);
        }
        thread_ = std::thread([this, behaviour = std::move(behaviour)] {
            pollfd pfd{listener_, POLLIN, 0};
            if (poll(&pfd, 1, 3000) != 1) return;
            int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            accepted_.fetch_add(1);
            behaviour(fd);
            close(fd);
        });
    }
    ~LoopbackPeer() {
        if (thread_.joinable()) thread_.join();
        close(listener_);
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    int port() const { return port_; }
    int accepted() const { return accepted_.load(); }

private:
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

// Reads exactly n bytes within ms milliseconds; fewer when the peer closes or time runs out.
inline std::vector<std::uint8_t> ReadExactly(int fd, std::size_t n, int ms = 2000) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[512];
    while (bytes.size() < n) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, ms) != 1) break;
        ssize_t got = read(fd, buf, std::min(sizeof buf, n - bytes.size()));
        if (got <= 0) break;
        bytes.insert(bytes.end(), buf, buf + got);
    }
    return bytes;
}

// Writes to a socket without raising SIGPIPE when the other side is gone.
inline ssize_t PeerWrite(int fd, const void* data, std::size_t n) {
    return send(fd, data, n, MSG_NOSIGNAL);
}

// Waits until the other side closes (or ms pass), reading and dropping whatever comes.
inline void WaitForClose(int fd, int ms = 3000) {
    std::uint8_t buf[512];
    for (;;) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, ms) != 1) return;
        if (read(fd, buf, sizeof buf) <= 0) return;
    }
}

// A port on 127.0.0.1 that nobody listens on: bound once, then released.
inline int UnusedLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    close(fd);
    return ntohs(sa.sin_port);
}

}  // namespace korvicard_test
