#include "sim/adapters/request_stream.h"

#include <optional>

#include "core/protocol/reader_protocol_constants.h"
#include "sim/reader_codec.h"

namespace sim {

std::vector<std::vector<std::uint8_t>> RequestStream::Feed(std::span<const std::uint8_t> bytes,
                                                           Clock::time_point now) {
    if (!pending_.empty() && now - last_ > std::chrono::milliseconds(kGapMs)) pending_.clear();
    last_ = now;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::vector<std::vector<std::uint8_t>> frames;
    for (;;) {
        const std::optional<std::size_t> size = RequestFrameSize(pending_);
        if (size && *size > kFrameBufferSize) {
            // No request is that long: a corrupt length field. Drop a byte and look again.
            pending_.erase(pending_.begin());
            continue;
        }
        if (!size || *size > pending_.size()) break;
        frames.emplace_back(pending_.begin(), pending_.begin() + static_cast<long>(*size));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(*size));
    }
    return frames;
}

}  // namespace sim
