#include "sim/adapters/tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sim/adapters/stream_pump.h"
#include "sim/loopback_address.h"

namespace sim {

TcpServer::TcpServer(ReaderPort& port) : port_ref_(port) {}

TcpServer::~TcpServer() { Stop(); }

bool TcpServer::Start(std::uint16_t port, const char* host) {
    if (started_) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (!ParseLoopbackAddress(host, &address.sin_addr)) return false;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return false;
    }
    port_ = ntohs(address.sin_port);
    listener_ = fd;
    started_ = true;
    thread_ = std::thread(&TcpServer::Serve, this);
    return true;
}

void TcpServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        connections_.fetch_add(1);
        {
            std::lock_guard<std::mutex> lock(clientMutex_);
            client_ = fd;
        }
        const bool stopped = PumpStream(fd, stop_.fd(), port_ref_);
        {
            std::lock_guard<std::mutex> lock(clientMutex_);
            client_ = -1;
            close(fd);
        }
        if (stopped) return;
    }
}

void TcpServer::DropConnection() {
    std::lock_guard<std::mutex> lock(clientMutex_);
    if (client_ >= 0) shutdown(client_, SHUT_RDWR);
}

void TcpServer::Stop() {
    if (!thread_.joinable()) return;
    stop_.Raise();
    thread_.join();
    close(listener_);
    listener_ = -1;
}

}  // namespace sim
