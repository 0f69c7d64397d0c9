#include "core/identity/samv_frame.h"

#include <algorithm>

namespace {

std::uint8_t XorFrom(std::span<const std::uint8_t> bytes, std::size_t start) {
    std::uint8_t check = 0;
    for (std::size_t i = start; i < bytes.size(); ++i) check ^= bytes[i];
    return check;
}

constexpr std::size_t kLengthOffset = 5;

}  // namespace

std::vector<std::uint8_t> BuildSamvFrame(std::span<const std::uint8_t> body) {
    const std::size_t length = body.size() + 1;
    std::vector<std::uint8_t> frame(kSamvPreamble.begin(), kSamvPreamble.end());
    frame.push_back(static_cast<std::uint8_t>(length >> 8));
    frame.push_back(static_cast<std::uint8_t>(length));
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(XorFrom(frame, kLengthOffset));
    return frame;
}

bool HasSamvPreamble(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kSamvPreamble.size() &&
           std::equal(kSamvPreamble.begin(), kSamvPreamble.end(), bytes.begin());
}

std::size_t SamvFrameTotal(std::span<const std::uint8_t> header) {
    if (header.size() < kSamvHeaderSize) return 0;
    return ((static_cast<std::size_t>(header[5]) << 8) | header[6]) + kSamvHeaderSize;
}

bool SamvCheckByteValid(std::span<const std::uint8_t> frame) {
    return frame.size() > kSamvHeaderSize && XorFrom(frame, kLengthOffset) == 0;
}
