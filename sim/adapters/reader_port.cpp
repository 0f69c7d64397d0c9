#include "sim/adapters/reader_port.h"

#include <cstdio>
#include <stdexcept>

namespace sim {

void ReaderPort::SetObserver(RequestObserver observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(observer);
}

std::vector<Emission> ReaderPort::Handle(std::span<const std::uint8_t> frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t before = reader_.Requests().size();
    std::vector<Emission> out;
    try {
        out = reader_.Process(frame);
    } catch (const std::length_error& error) {
        std::fprintf(stderr, "korvicard-sim: reply dropped: %s\n", error.what());
    }
    if (observer_) {
        for (std::size_t i = before; i < reader_.Requests().size(); ++i) {
            observer_(reader_.Requests()[i]);
        }
        // The observer has them: a long-running program keeps no growing log.
        reader_.ClearRequests();
    }
    return out;
}

}  // namespace sim
