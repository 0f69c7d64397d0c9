#include "core/transport/tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/transport/host_address.h"
#include "core/transport/poll_wait.h"
#include "core/util/time_units.h"

namespace {

constexpr int kReceiveBufferBytes = 1048576;
constexpr int kMaxRetries = 11;

using Clock = PollClock;

// Waits for `events` on fd until the deadline; true when poll() reported anything (an
// error or hang-up is then read by the call that follows), false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    return PollUntil(fd, events, deadline) != 0;
}

bool SetBlocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

timeval ToTimeval(int milliseconds) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    return tv;
}

// Out of buffer space or interrupted: pause and retry a bounded number of times.
bool MayRetry(int error, int& retries) {
    if (error != ENOBUFS && error != ENOMEM && error != EINTR) return false;
    if (retries >= kMaxRetries) return false;
    ++retries;
    if (error != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

}  // namespace

TcpClient::TcpClient() = default;

TcpClient::~TcpClient() { Shutdown(); }

bool TcpClient::Connect(const char* host, int port, int seconds) {
    if (socket_ >= 0) return true;
    std::uint8_t octets[4];
    if (port <= 0 || port > 65535 || host == nullptr || !ParseDottedAddress(host, octets)) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(&address.sin_addr.s_addr, octets, 4);

    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    auto fail = [&] {
        close(fd);
        connected_ = false;
        return false;
    };
    if (!SetBlocking(fd, false)) return fail();

    const int waitSeconds = seconds < 1 ? 1 : seconds;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) return fail();
        if (!WaitFor(fd, POLLOUT, Clock::now() + std::chrono::seconds(waitSeconds))) return fail();
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return fail();
        }
    }
    if (!SetBlocking(fd, true)) return fail();
    socket_ = fd;
    SetTimeouts(waitSeconds);
    connected_ = true;
    return true;
}

int TcpClient::SetTimeouts(int seconds) {
    if (socket_ < 0) return -1;
    int one = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int bufferBytes = kReceiveBufferBytes;
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    SetReceiveTimeoutMs(SecondsToMs(seconds));
    timeval tv = ToTimeval(receiveTimeoutMs_);
    // The same bound on sends, so a peer that stops reading cannot hold a call for ever.
    setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    socketReceiveTimeoutMs_ = receiveTimeoutMs_;
    return setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

int TcpClient::SetReceiveTimeoutMs(int milliseconds) {
    if (socket_ < 0) return -1;
    // Receive waits with poll() up to this bound; a zero would mean no wait at all.
    receiveTimeoutMs_ = milliseconds < 1 ? 1 : milliseconds;
    return 0;
}

int TcpClient::Send(const std::uint8_t* data, int length) {
    if (data == nullptr || socket_ < 0 || length < 0) return -1;
    int sent = 0;
    int retries = 0;
    while (sent < length) {
        ssize_t n = send(socket_, data + sent, static_cast<size_t>(length - sent), MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<int>(n);
            retries = 0;
            continue;
        }
        if (!MayRetry(errno, retries)) return -1;
    }
    return length;
}

int TcpClient::Receive(std::uint8_t* buffer, int size) {
    if (buffer == nullptr || socket_ < 0 || size < 0) return -1;
    if (size == 0) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(receiveTimeoutMs_);
    int received = TakeAhead(buffer, size);
    int retries = 0;
    while (received < size) {
        // Take what is already there; wait only when nothing is.
        ssize_t n =
            recv(socket_, buffer + received, static_cast<size_t>(size - received), MSG_DONTWAIT);
        if (n > 0) {
            received += static_cast<int>(n);
            retries = 0;
            continue;
        }
        if (n == 0) return -1;  // the peer closed
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(socket_, POLLIN, deadline)) return -1;  // the time-out passed
            continue;
        }
        if (!MayRetry(errno, retries)) return -1;
    }
    return size;
}

int TcpClient::TakeAhead(std::uint8_t* buffer, int size) {
    const int n = std::min(size, aheadEnd_ - aheadStart_);
    if (n <= 0) return 0;
    std::memcpy(buffer, ahead_.data() + aheadStart_, static_cast<std::size_t>(n));
    aheadStart_ += n;
    if (aheadStart_ == aheadEnd_) aheadStart_ = aheadEnd_ = 0;
    return n;
}

int TcpClient::ReceiveSome(std::uint8_t* buffer, int size, int timeoutMs) {
    if (buffer == nullptr || socket_ < 0 || size <= 0) return -1;
    if (aheadEnd_ > aheadStart_) return TakeAhead(buffer, size);
    const int wait = timeoutMs < 1 ? 1 : timeoutMs;
    if (wait != socketReceiveTimeoutMs_) {
        const timeval tv = ToTimeval(wait);
        if (setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return -1;
        socketReceiveTimeoutMs_ = wait;
    }
    // The socket blocks: one receive both waits (up to SO_RCVTIMEO) and takes the bytes.
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait);
    int retries = 0;
    for (;;) {
        const ssize_t n = recv(socket_, ahead_.data(), ahead_.size(), 0);
        if (n > 0) {
            aheadEnd_ = static_cast<int>(n);
            return TakeAhead(buffer, size);
        }
        if (n == 0) return -1;                                   // the peer closed
        if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;  // the time-out passed
        if (!MayRetry(errno, retries)) return -1;
        // Interrupted: wait out what is left of the time-out, then take the bytes.
        if (!WaitFor(socket_, POLLIN, deadline)) return -1;
    }
}

void TcpClient::DiscardInput() {
    aheadStart_ = aheadEnd_ = 0;
    if (socket_ < 0) return;
    std::uint8_t scratch[512];
    while (recv(socket_, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

int TcpClient::Close() {
    connected_ = false;
    aheadStart_ = aheadEnd_ = 0;
    if (socket_ < 0) return -1;
    int rc = close(socket_);
    socket_ = -1;
    return rc;
}

void TcpClient::Shutdown() { Close(); }
