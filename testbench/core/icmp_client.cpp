#include "testbench/core/icmp_client.h"

#include <unistd.h>

#include <QElapsedTimer>

#include "testbench/core/icmp_sockets.h"
#include "testbench/core/ip_address.h"
#include "testbench/core/ping_program.h"

namespace bench {

namespace {

constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kEchoReply = 0;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kDataSize = 32;

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

std::vector<std::uint8_t> EchoRequest(std::uint16_t identifier, std::uint16_t sequence) {
    std::vector<std::uint8_t> message(kHeaderSize + kDataSize, 0);
    message[0] = kEchoRequest;
    PutWord(message, 4, identifier);
    PutWord(message, 6, sequence);
    for (std::size_t i = 0; i < kDataSize; ++i) {
        message[kHeaderSize + i] = static_cast<std::uint8_t>('a' + i % 23);
    }
    PutWord(message, 2, InternetChecksum(message));
    return message;
}

QString Dotted(in_addr address) {
    const std::uint32_t host = ntohl(address.s_addr);
    return QStringLiteral("%1.%2.%3.%4")
        .arg(host >> 24)
        .arg(host >> 16 & 0xFF)
        .arg(host >> 8 & 0xFF)
        .arg(host & 0xFF);
}

}  // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) sum += Word(bytes, i);
    if (bytes.size() % 2 != 0) sum += static_cast<std::uint32_t>(bytes.back()) << 8;
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

IcmpClient::IcmpClient() {
    for (IcmpRoute route : {IcmpRoute::kDatagram, IcmpRoute::kRaw}) {
        channel_ = OpenIcmpSocket(route);
        if (channel_) {
            route_ = route;
            break;
        }
    }
    identifier_ = static_cast<std::uint16_t>(::getpid());
}

IcmpClient::IcmpClient(IcmpRoute route) : route_(route) {
    if (route == IcmpRoute::kPingProgram) {
        if (!HasPingProgram()) throw IcmpError(QStringLiteral("找不到ping程序"));
    } else {
        channel_ = OpenIcmpSocket(route);
        if (!channel_) throw IcmpError(QStringLiteral("系统不允许打开ICMP套接字"));
    }
    identifier_ = static_cast<std::uint16_t>(::getpid());
}

IcmpClient::IcmpClient(std::unique_ptr<EchoChannel> channel)
    : route_(IcmpRoute::kDatagram), channel_(std::move(channel)) {}

IcmpClient::~IcmpClient() = default;

EchoReply IcmpClient::Ping(const QString& address, int timeoutMs) {
    const auto octets = ParseDottedAddress(address);
    if (!octets) throw IcmpError(QStringLiteral("“%1”不是IPv4地址").arg(address));
    if (!channel_) return PingWithProgram(address, timeoutMs);
    in_addr to{};
    to.s_addr = htonl(static_cast<std::uint32_t>((*octets)[0]) << 24 |
                      static_cast<std::uint32_t>((*octets)[1]) << 16 |
                      static_cast<std::uint32_t>((*octets)[2]) << 8 | (*octets)[3]);
    return PingOverChannel(to, timeoutMs);
}

EchoReply IcmpClient::PingOverChannel(in_addr to, int timeoutMs) {
    const std::uint16_t sequence = ++sequence_;
    QElapsedTimer timer;
    timer.start();
    if (!channel_->Send(to, EchoRequest(identifier_, sequence))) {
        throw IcmpError(QStringLiteral("无法发送到%1").arg(Dotted(to)));
    }
    for (qint64 left = timeoutMs; left > 0; left = timeoutMs - timer.elapsed()) {
        const auto message = channel_->Receive(static_cast<int>(left));
        if (!message) break;
        const std::vector<std::uint8_t>& bytes = message->bytes;
        if (bytes.size() < kHeaderSize || bytes[0] != kEchoReply || Word(bytes, 6) != sequence ||
            (!channel_->SetsIdentifier() && Word(bytes, 4) != identifier_)) {
            continue;
        }
        EchoReply reply;
        reply.received = true;
        reply.fromAddress = Dotted(message->from);
        reply.bytes = static_cast<int>(bytes.size() - kHeaderSize);
        reply.ttl = message->ttl;
        reply.roundTripMs = static_cast<int>(timer.elapsed());
        return reply;
    }
    return {};
}

}  // namespace bench
