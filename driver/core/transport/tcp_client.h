#pragma once

#include <array>
#include <cstdint>

// TCP connection of the driver: the transport of a network reader and the session's
// connection to the identity-card servers.
class TcpClient {
public:
    TcpClient();
    virtual ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // host: a dotted IPv4 address (ParseDottedAddress). Waits up to `seconds` (at least 1)
    // for the connection. False for a null or non-dotted host, a port outside 1-65535, a refused or
    // timed-out connect. True at once when already connected (the old connection stays).
    bool Connect(const char* host, int port, int seconds);
    // TCP_NODELAY, receive buffer and a receive time-out of `seconds`; -1 without a socket.
    int SetTimeouts(int seconds);
    // Receive (and send) time-out in milliseconds for the calls that follow; at least 1 ms.
    int SetReceiveTimeoutMs(int milliseconds);
    // Returns length, or -1.
    int Send(const std::uint8_t* data, int length);
    // Returns size once all bytes are in, or -1 (0 for size 0) on time-out or closed peer.
    // One call waits at most the receive time-out in all.
    int Receive(std::uint8_t* buffer, int size);
    // Up to size bytes of what has arrived: bytes taken in earlier and not yet handed out,
    // else what one blocking receive brings (all that has arrived, up to 512 bytes) after
    // waiting up to timeoutMs (at least 1) for the first; the rest is kept for the reads
    // that follow. -1 on time-out or a closed peer. The socket's receive time-out is set
    // only when timeoutMs differs from the last one.
    int ReceiveSome(std::uint8_t* buffer, int size, int timeoutMs);
    // Drops bytes that arrived unasked (and those kept by ReceiveSome), so a late reply is
    // never read as the next one.
    void DiscardInput();
    int Close();
    void Shutdown();
    bool IsConnected() const { return connected_; }

private:
    int socket_ = -1;
    bool connected_ = false;
    int receiveTimeoutMs_ = 1000;
    // SO_RCVTIMEO as last set, in milliseconds.
    int socketReceiveTimeoutMs_ = 0;
    // Bytes ReceiveSome took in and has not handed out yet: [aheadStart_, aheadEnd_).
    int TakeAhead(std::uint8_t* buffer, int size);
    std::array<std::uint8_t, 512> ahead_{};
    int aheadStart_ = 0;
    int aheadEnd_ = 0;
};
