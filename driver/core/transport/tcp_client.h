#pragma once

#include <cstdint>

// TCP connection of the driver: the transport of a network reader and the session's
// connection to the identity-card servers.
class TcpClient {
public:
    TcpClient();
    virtual ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // host: dotted IPv4 text. Waits up to `seconds` for the connection.
    bool Connect(const char* host, int port, int seconds);
    int SetTimeouts(int seconds);
    // Receive time-out in milliseconds for the receives that follow.
    int SetReceiveTimeoutMs(int milliseconds);
    // Returns length, or -1.
    int Send(const std::uint8_t* data, int length);
    // Returns size once all bytes are in, or -1 (0 for size 0).
    int Receive(std::uint8_t* buffer, int size);
    // Drops bytes that arrived unasked, so a late reply is never read as the next one.
    void DiscardInput();
    int Close();
    void Shutdown();
    bool IsConnected() const { return connected_; }

private:
    int socket_ = -1;
    bool connected_ = false;
};

// True when the text reads as four decimal numbers 0-255 separated by dots.
bool IsDottedAddress(const char* text);
