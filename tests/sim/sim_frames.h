#pragma once

#include <cstdint>
#include <vector>

#include "core/reader_protocol_constants.h"
#include "sim/reader_codec.h"

// Frames for the simulator's own tests, laid out from the wire format.

namespace sim_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Request(const sim::FrameMask& mask, std::uint8_t sequence, std::uint8_t command,
                     const Bytes& payload) {
    Bytes plain = {sequence, command, static_cast<std::uint8_t>(payload.size() >> 8),
                   static_cast<std::uint8_t>(payload.size())};
    plain.insert(plain.end(), payload.begin(), payload.end());
    const std::size_t n = plain.size() + 6;
    Bytes frame = {static_cast<std::uint8_t>(n > 255 ? 255 : n - 1), mask[0], mask[1], mask[2],
                   mask[3]};
    for (std::size_t i = 0; i < plain.size(); ++i) {
        frame.push_back(static_cast<std::uint8_t>(plain[i] ^ mask[i % 4] ^ (i & 0xFF)));
    }
    std::uint8_t check = 0;
    for (std::uint8_t b : frame) check ^= b;
    frame.push_back(check);
    return frame;
}

// A reply's plain bytes 1 to L - 1 (sequence, status, length, payload), and whether its
// check byte holds.
struct PlainReply {
    Bytes body;
    bool checkOk = false;
};

inline PlainReply Unscramble(const Bytes& frame, const sim::FrameMask& mask) {
    PlainReply plain;
    if (frame.empty() || frame.size() != static_cast<std::size_t>(frame[0]) + 1) return plain;
    std::uint8_t check = 0;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) check ^= frame[i];
    plain.checkOk = check == frame.back();
    for (std::size_t j = 0; j + 2 < frame.size(); ++j) {
        plain.body.push_back(
            static_cast<std::uint8_t>(frame[1 + j] ^ (j & 0xFF) ^ mask[j % 4] ^ kReplyMask[j % 4]));
    }
    return plain;
}

}  // namespace sim_test
