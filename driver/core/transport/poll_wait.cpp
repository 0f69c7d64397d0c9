#include "core/transport/poll_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

int RemainingMs(PollClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - PollClock::now());
    // A deadline further off than an int of milliseconds is waited for in steps.
    return left.count() <= 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), INT_MAX));
}

}  // namespace

short PollUntil(int fd, short events, PollClock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, events, 0};
        const int rc = poll(&pfd, 1, RemainingMs(deadline));
        if (rc > 0) return pfd.revents;
        if (rc == 0 && PollClock::now() < deadline) continue;  // one step of a long wait
        if (rc == 0 || errno != EINTR) return 0;
    }
}
