#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "sim/simulated_reader.h"

namespace sim {

// The simulated reader as the link adapters share it: one request at a time, under a lock,
// so a test can queue faults or read the request log while an adapter thread serves.
class ReaderPort {
public:
    // Called, under the lock, with each request the reader accepted. While an observer is
    // set, requests are handed to it instead of being kept in the reader's log.
    using RequestObserver = std::function<void(const Request&)>;

    explicit ReaderPort(SimulatedReader& reader) : reader_(reader) {}
    ReaderPort(const ReaderPort&) = delete;
    ReaderPort& operator=(const ReaderPort&) = delete;

    void SetObserver(RequestObserver observer);

    // One whole request frame in, the reader's output out. A handler that breaks the reply
    // rules gets no reply out (and a line on stderr).
    std::vector<Emission> Handle(std::span<const std::uint8_t> frame);

    // Runs f(reader) under the lock.
    template <class F>
    auto WithReader(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(reader_);
    }

private:
    std::mutex mutex_;
    SimulatedReader& reader_;
    RequestObserver observer_;
};

}  // namespace sim
