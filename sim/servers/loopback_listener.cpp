#include "sim/servers/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "sim/loopback_address.h"

namespace {

constexpr int kPollMs = 20;

bool Readable(int socket, int timeoutMs) {
    pollfd entry{socket, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

int ListenOnLoopback(const std::string& address, int* port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(*port));
    if (!sim::ParseLoopbackAddress(address.c_str(), &local.sin_addr)) {
        throw std::invalid_argument("simulated servers bind loopback addresses only");
    }
    const std::string where = address + ":" + std::to_string(*port);
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) throw std::system_error(errno, std::generic_category(), "socket");
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t size = sizeof local;
    if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        const int reason = errno;
        close(listener);
        throw std::system_error(reason, std::generic_category(), "bind " + where);
    }
    *port = ntohs(local.sin_port);
    return listener;
}

int AcceptWithin(int listenSocket, int timeoutMs) {
    if (!Readable(listenSocket, timeoutMs)) return -1;
    return accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
}

bool ReadExactly(int socket, std::uint8_t* data, std::size_t size, const std::atomic<bool>& stop) {
    std::size_t got = 0;
    while (got < size) {
        if (stop) return false;
        if (!Readable(socket, kPollMs)) continue;
        const ssize_t n = recv(socket, data + got, size - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

void WriteAll(int socket, const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = send(socket, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

void WaitForPeerClose(int socket, const std::atomic<bool>& stop) {
    std::uint8_t byte;
    while (!stop) {
        if (!Readable(socket, kPollMs)) continue;
        if (recv(socket, &byte, 1, 0) <= 0) return;
    }
}
