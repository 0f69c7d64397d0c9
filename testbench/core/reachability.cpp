#include "testbench/core/reachability.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "testbench/core/ip_address.h"

namespace bench {

bool CanConnect(const QString& address, int port, int timeoutMs) {
    const auto octets = ParseDottedAddress(address);
    if (!octets || port <= 0 || port > 65535) return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    peer.sin_addr.s_addr = htonl(static_cast<std::uint32_t>((*octets)[0]) << 24 |
                                 static_cast<std::uint32_t>((*octets)[1]) << 16 |
                                 static_cast<std::uint32_t>((*octets)[2]) << 8 | (*octets)[3]);
    bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd wait{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::poll(&wait, 1, timeoutMs) == 1 &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::close(fd);
    return connected;
}

}  // namespace bench
