#pragma once

#include <chrono>

using PollClock = std::chrono::steady_clock;

// Waits for `events` on fd until the deadline, retrying on EINTR. Returns the events
// poll() reported (error and hang-up bits included), or 0 on time-out or error.
short PollUntil(int fd, short events, PollClock::time_point deadline);
