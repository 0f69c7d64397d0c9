#include "sim/reader_codec.h"

#include <stdexcept>

#include "core/protocol/reader_protocol_constants.h"

namespace sim {

namespace {

// Reader-side scramble of byte i after the mask of a request.
std::uint8_t RequestKey(const FrameMask& mask, std::size_t i) {
    return static_cast<std::uint8_t>(mask[i % 4] ^ (i & 0xFF));
}

std::uint8_t Xor(std::span<const std::uint8_t> bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return x;
}

FrameMask MaskOf(std::span<const std::uint8_t> frame) {
    return {frame[1], frame[2], frame[3], frame[4]};
}

std::size_t PayloadLengthField(std::span<const std::uint8_t> frame) {
    const FrameMask mask = MaskOf(frame);
    const std::uint8_t high = frame[7] ^ RequestKey(mask, 2);
    const std::uint8_t low = frame[8] ^ RequestKey(mask, 3);
    return static_cast<std::size_t>(high) << 8 | low;
}

}  // namespace

std::optional<std::size_t> RequestFrameSize(std::span<const std::uint8_t> head) {
    if (head.empty()) return std::nullopt;
    if (head[0] != kLongFrameLengthByte) return static_cast<std::size_t>(head[0]) + 1;
    if (head.size() < kRequestHeaderSize) return std::nullopt;
    return PayloadLengthField(head) + kRequestOverhead;
}

RequestCheck DecodeRequest(std::span<const std::uint8_t> frame, Request& request) {
    const std::optional<std::size_t> size = RequestFrameSize(frame);
    if (!size || frame.size() < kRequestHeaderSize || frame.size() < *size) {
        return RequestCheck::kIncomplete;
    }
    const std::size_t payloadLength = PayloadLengthField(frame);
    if (payloadLength > kMaxRequestPayload || payloadLength + kRequestOverhead != frame.size()) {
        return RequestCheck::kBadLength;
    }
    // A length byte of 255 stands only for a frame longer than the smallest packet.
    if (frame[0] == kLongFrameLengthByte && frame.size() <= kHidPacketSize) {
        return RequestCheck::kBadLength;
    }
    if (Xor(frame.first(frame.size() - 1)) != frame.back()) return RequestCheck::kBadCheckByte;
    const FrameMask mask = MaskOf(frame);
    request.mask = mask;
    request.sequence = frame[5] ^ RequestKey(mask, 0);
    request.command = frame[6] ^ RequestKey(mask, 1);
    request.payload.resize(payloadLength);
    for (std::size_t k = 0; k < payloadLength; ++k) {
        request.payload[k] = frame[kRequestHeaderSize + k] ^ RequestKey(mask, k + 4);
    }
    return RequestCheck::kOk;
}

std::vector<std::uint8_t> EncodeReplyFrame(std::span<const std::uint8_t> body,
                                           const FrameMask& requestMask) {
    if (body.size() > kMaxReplyFrame - 2) throw std::length_error("reply frame too long");
    std::vector<std::uint8_t> frame;
    frame.reserve(body.size() + 2);
    frame.push_back(static_cast<std::uint8_t>(body.size() + 1));
    for (std::size_t j = 0; j < body.size(); ++j) {
        frame.push_back(static_cast<std::uint8_t>(body[j] ^ (j & 0xFF) ^ requestMask[j % 4] ^
                                                  kReplyMask[j % 4]));
    }
    frame.push_back(Xor(frame));
    return frame;
}

std::vector<std::uint8_t> EncodeReply(std::uint8_t sequence, std::uint8_t status,
                                      std::span<const std::uint8_t> payload,
                                      const FrameMask& requestMask) {
    if (payload.size() > kMaxReplyPayload) throw std::length_error("reply payload too long");
    std::vector<std::uint8_t> body = {sequence, status, static_cast<std::uint8_t>(payload.size())};
    body.insert(body.end(), payload.begin(), payload.end());
    return EncodeReplyFrame(body, requestMask);
}

}  // namespace sim
