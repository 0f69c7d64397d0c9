#include "testbench/core/icmp_sockets.h"

#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace bench {

namespace {

constexpr std::size_t kReceiveSize = 65536;

class IcmpSocket : public EchoChannel {
  public:
    IcmpSocket(int fd, bool raw) : fd_(fd), raw_(raw) {}
    ~IcmpSocket() override { ::close(fd_); }
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    bool Send(in_addr to, std::span<const std::uint8_t> message) override {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_addr = to;
        const ssize_t sent = ::sendto(fd_, message.data(), message.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        return sent == static_cast<ssize_t>(message.size());
    }

    std::optional<IcmpMessage> Receive(int timeoutMs) override {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, std::max(timeoutMs, 0)) != 1) return std::nullopt;
        std::vector<std::uint8_t> buffer(kReceiveSize);
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        sockaddr_in from{};
        iovec part{buffer.data(), buffer.size()};
        msghdr header{};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t received = ::recvmsg(fd_, &header, MSG_DONTWAIT);
        if (received <= 0) return IcmpMessage{};  // nothing usable; the caller waits on
        buffer.resize(static_cast<std::size_t>(received));

        IcmpMessage message;
        message.from = from.sin_addr;
        if (raw_) {
            // The IP header comes first: its length in words, the TTL at byte 8.
            const std::size_t headerSize = (buffer[0] & 0x0Fu) * 4u;
            if (buffer.size() < headerSize || headerSize < 20) return IcmpMessage{};
            message.ttl = buffer[8];
            message.bytes.assign(buffer.begin() + static_cast<long>(headerSize), buffer.end());
            return message;
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) {
                std::memcpy(&message.ttl, CMSG_DATA(c), sizeof message.ttl);
            }
        }
        message.bytes = std::move(buffer);
        return message;
    }

    bool SetsIdentifier() const override { return !raw_; }

  private:
    int fd_;
    bool raw_;
};

}  // namespace

std::unique_ptr<EchoChannel> OpenIcmpSocket(IcmpRoute route) {
    if (route == IcmpRoute::kPingProgram) return nullptr;
    const bool raw = route == IcmpRoute::kRaw;
    const int fd = ::socket(AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) return nullptr;
    if (!raw) {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
    }
    return std::make_unique<IcmpSocket>(fd, raw);
}

}  // namespace bench
