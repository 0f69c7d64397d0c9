#include "core/transport/poll_wait.h"

#include <poll.h>

#include <cerrno>

namespace {

int RemainingMs(PollClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - PollClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

short PollUntil(int fd, short events, PollClock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, events, 0};
        const int rc = poll(&pfd, 1, RemainingMs(deadline));
        if (rc > 0) return pfd.revents;
        if (rc == 0 || errno != EINTR) return 0;
    }
}
