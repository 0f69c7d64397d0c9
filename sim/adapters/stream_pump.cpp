#include "sim/adapters/stream_pump.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "sim/adapters/request_stream.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

enum class Wait { kReady, kWoken, kTimedOut, kGone };

// Waits for `events` on fd, or for wakeFd, up to timeoutMs (-1: no limit).
Wait WaitFor(int fd, short events, int wakeFd, int timeoutMs) {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        const int rc = poll(fds, 2, timeoutMs);
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0) return Wait::kGone;
        if (fds[1].revents != 0) return Wait::kWoken;
        if (rc == 0) return Wait::kTimedOut;
        if (fds[0].revents & events) return Wait::kReady;
        return Wait::kGone;
    }
}

// Sends on a socket without SIGPIPE; plain write on anything else.
ssize_t Put(int fd, const std::uint8_t* data, std::size_t n) {
    ssize_t rc = send(fd, data, n, MSG_NOSIGNAL);
    if (rc < 0 && errno == ENOTSOCK) rc = write(fd, data, n);
    return rc;
}

Wait WriteAll(int fd, int wakeFd, const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = Put(fd, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return Wait::kGone;
        const Wait w = WaitFor(fd, POLLOUT, wakeFd, -1);
        if (w != Wait::kReady) return w;
    }
    return Wait::kReady;
}

// Sends the reader's output, each part at arrival + its delay. Whole frames due at the
// same moment leave in one write, as a reader sends a burst of frames back to back; the
// parts of a split reply stay separate writes.
Wait Emit(int fd, int wakeFd, const std::vector<Emission>& output, Clock::time_point arrival) {
    for (std::size_t i = 0; i < output.size();) {
        const auto due = arrival + std::chrono::milliseconds(output[i].delayMs);
        for (auto now = Clock::now(); now < due; now = Clock::now()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
            pollfd wake{wakeFd, POLLIN, 0};
            if (poll(&wake, 1, static_cast<int>(left)) > 0) return Wait::kWoken;
        }
        std::vector<std::uint8_t> burst = output[i].bytes;
        for (++i; i < output.size() && output[i].startsFrame &&
                  output[i].delayMs == output[i - 1].delayMs;
             ++i) {
            burst.insert(burst.end(), output[i].bytes.begin(), output[i].bytes.end());
        }
        const Wait w = WriteAll(fd, wakeFd, burst);
        if (w != Wait::kReady) return w;
    }
    return Wait::kReady;
}

}  // namespace

bool PumpStream(int fd, int wakeFd, ReaderPort& port) {
    RequestStream stream;
    std::uint8_t buffer[512];
    for (;;) {
        const Wait w = WaitFor(fd, POLLIN, wakeFd, -1);
        if (w == Wait::kWoken) return true;
        if (w != Wait::kReady) return false;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        const Clock::time_point arrival = Clock::now();
        for (const auto& frame : stream.Feed({buffer, static_cast<std::size_t>(n)}, arrival)) {
            const Wait sent = Emit(fd, wakeFd, port.Handle(frame), arrival);
            if (sent == Wait::kWoken) return true;
            if (sent != Wait::kReady) return false;
        }
    }
}

}  // namespace sim
