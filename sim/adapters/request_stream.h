#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// Cuts a byte stream (TCP, serial line) into request frames by their length fields. Bytes
// of a frame that stop arriving for kGapMs are dropped, so one broken request cannot eat
// the ones after it.
class RequestStream {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kGapMs = 200;

    // Adds bytes received at `now`; returns the frames they completed, in order.
    std::vector<std::vector<std::uint8_t>> Feed(std::span<const std::uint8_t> bytes,
                                                Clock::time_point now);
    void Reset() { pending_.clear(); }
    bool HasPartial() const { return !pending_.empty(); }

private:
    std::vector<std::uint8_t> pending_;
    Clock::time_point last_{};
};

}  // namespace sim
