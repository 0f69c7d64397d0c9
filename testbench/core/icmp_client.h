#pragma once

#include <netinet/in.h>

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace bench {

// What came back for one echo request.
struct EchoReply {
    bool received = false;  // false: no reply within the time-out
    QString fromAddress;    // the replying address, dotted
    int bytes = 0;          // echo data bytes in the reply
    int ttl = 0;            // the reply's time-to-live
    int roundTripMs = 0;
};

// The echo client cannot send: no address, no socket, no ping program.
class IcmpError : public std::runtime_error {
  public:
    explicit IcmpError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

// How echo requests leave the machine.
enum class IcmpRoute {
    kDatagram,     // an unprivileged ICMP datagram socket, where the system allows one
    kRaw,          // a raw ICMP socket (root)
    kPingProgram,  // the system's ping program
};

// One ICMP message that arrived on a channel.
struct IcmpMessage {
    std::vector<std::uint8_t> bytes;  // from the ICMP header on
    in_addr from{};
    int ttl = 0;
};

// A socket that carries ICMP messages; the seam of the echo exchange.
class EchoChannel {
  public:
    virtual ~EchoChannel() = default;
    // False when the message could not be sent.
    virtual bool Send(in_addr to, std::span<const std::uint8_t> message) = 0;
    // The next message within timeoutMs; nothing when none came.
    virtual std::optional<IcmpMessage> Receive(int timeoutMs) = 0;
    // The system sets the echo identifier itself (datagram sockets).
    virtual bool SetsIdentifier() const = 0;
};

// A small ICMP echo client: one request, then its reply or the time-out.
class IcmpClient {
  public:
    // The first route the system allows: datagram socket, raw socket, ping program.
    IcmpClient();
    // This route; throws IcmpError when the system does not allow it.
    explicit IcmpClient(IcmpRoute route);
    // Echoes over the given channel.
    explicit IcmpClient(std::unique_ptr<EchoChannel> channel);
    ~IcmpClient();
    IcmpClient(const IcmpClient&) = delete;
    IcmpClient& operator=(const IcmpClient&) = delete;

    IcmpRoute route() const { return route_; }

    // Sends one echo request of 32 data bytes to a dotted IPv4 address and waits up to
    // timeoutMs for its reply. Throws IcmpError for any other address text or a failed send.
    EchoReply Ping(const QString& address, int timeoutMs);

  private:
    EchoReply PingOverChannel(in_addr to, int timeoutMs);

    IcmpRoute route_ = IcmpRoute::kPingProgram;
    std::unique_ptr<EchoChannel> channel_;
    std::uint16_t identifier_ = 0;
    std::uint16_t sequence_ = 0;
};

// The Internet checksum (RFC 1071) of bytes.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

}  // namespace bench
