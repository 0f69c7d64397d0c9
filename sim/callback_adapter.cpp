#include "sim/callback_adapter.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>

#include "core/protocol/callback_types.h"
#include "core/protocol/reader_protocol_constants.h"

namespace sim {

static_assert(std::is_same_v<decltype(&SimulatorTransport), ExtendReadWriteCallBack>);

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    std::vector<std::uint8_t> bytes;
    bool startsFrame = true;
    Clock::time_point ready;
    std::size_t sent = 0;
};

struct Link {
    std::mutex mutex;
    SimulatedReader* reader = nullptr;
    std::vector<std::uint8_t> request;
    std::size_t requestSize = 0;
    std::deque<Pending> output;
};

std::mutex linksMutex;
std::map<int, std::shared_ptr<Link>>& Links() {
    static std::map<int, std::shared_ptr<Link>> links;
    return links;
}

std::shared_ptr<Link> FindLink(int handle) {
    std::lock_guard<std::mutex> lock(linksMutex);
    const auto found = Links().find(handle);
    return found == Links().end() ? nullptr : found->second;
}

bool TakeWrittenPiece(Link& link, const unsigned char* piece) {
    const unsigned char* data = piece;
    std::size_t count = 0;
    if (link.request.empty()) {
        const std::optional<std::size_t> size =
            RequestFrameSize(std::span(piece, kCallbackFirstPieceBytes));
        if (!size || *size > kFrameBufferSize) return false;
        link.requestSize = *size;
        count = std::min(*size, kCallbackFirstPieceBytes);
    } else {
        const std::size_t remaining = link.requestSize - link.request.size();
        count = piece[0] == kCallbackFullPieceCount ? kCallbackPieceDataBytes : piece[0];
        const bool fits = piece[0] == kCallbackFullPieceCount ? remaining > kCallbackPieceDataBytes
                                                              : count == remaining;
        if (!fits) {
            link.request.clear();
            return false;
        }
        data = piece + 1;
    }
    link.request.insert(link.request.end(), data, data + count);
    if (link.request.size() < link.requestSize) return true;
    const std::vector<std::uint8_t> frame = std::move(link.request);
    link.request.clear();
    const Clock::time_point arrival = Clock::now();
    for (Emission& emission : link.reader->Process(frame)) {
        link.output.push_back({std::move(emission.bytes), emission.startsFrame,
                               arrival + std::chrono::milliseconds(emission.delayMs), 0});
    }
    return true;
}

void FillReadPiece(Link& link, unsigned char* piece) {
    std::memset(piece, 0, kCallbackPieceSize);
    while (!link.output.empty() && link.output.front().sent == link.output.front().bytes.size()) {
        link.output.pop_front();
    }
    if (link.output.empty() || link.output.front().ready > Clock::now()) return;
    Pending& next = link.output.front();
    const std::size_t remaining = next.bytes.size() - next.sent;
    if (next.sent == 0 && next.startsFrame) {
        const std::size_t count = std::min(remaining, kCallbackFirstPieceBytes);
        piece[0] = static_cast<unsigned char>(count);
        std::memcpy(piece + 1, next.bytes.data(), count);
        next.sent = count;
        return;
    }
    const std::size_t count = std::min(remaining, kCallbackPieceDataBytes);
    piece[0] = static_cast<unsigned char>(count + 1);
    piece[1] = remaining > kCallbackPieceDataBytes ? kCallbackFullPieceCount
                                                   : static_cast<unsigned char>(count);
    std::memcpy(piece + 2, next.bytes.data() + next.sent, count);
    next.sent += count;
}

}  // namespace

int SimulatorTransport(int handle, int direction, unsigned char* buffer, int size) {
    if (buffer == nullptr || size < kCallbackPieceSize) return 0;
    const std::shared_ptr<Link> link = FindLink(handle);
    if (!link) return 0;
    try {
        std::lock_guard<std::mutex> lock(link->mutex);
        if (direction == kCallbackDirectionWrite) return TakeWrittenPiece(*link, buffer) ? 1 : 0;
        FillReadPiece(*link, buffer);
        return 1;
    } catch (...) {
        return 0;
    }
}

void AttachSimulator(int handle, SimulatedReader& reader) {
    auto link = std::make_shared<Link>();
    link->reader = &reader;
    std::lock_guard<std::mutex> lock(linksMutex);
    Links()[handle] = std::move(link);
}

void DetachSimulator(int handle) {
    std::lock_guard<std::mutex> lock(linksMutex);
    Links().erase(handle);
}

}  // namespace sim
