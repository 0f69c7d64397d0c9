#pragma once

#include <cstdint>
#include <vector>

#include "core/protocol/reader_protocol_constants.h"
#include "sim/reader_codec.h"
#include "sim/simulated_reader.h"

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

// The status byte and payload of the reader's reply to one request. Status 0xFF when the
// reader gave no reply or more than one, or its reply fails the check byte or is shorter
// than its status and length bytes.
struct Answer {
    std::uint8_t status = 0xFF;
    Bytes payload;
    bool operator==(const Answer&) const = default;
};

inline Answer Exchange(sim::SimulatedReader& reader, const sim::FrameMask& mask,
                       std::uint8_t sequence, std::uint8_t command, const Bytes& payload) {
    const std::vector<sim::Emission> out =
        reader.Process(Request(mask, sequence, command, payload));
    Answer answer;
    if (out.size() != 1) return answer;
    const PlainReply plain = Unscramble(out[0].bytes, mask);
    if (!plain.checkOk || plain.body.size() < 3) return answer;
    answer.status = plain.body[1];
    answer.payload.assign(plain.body.begin() + 3, plain.body.end());
    return answer;
}

}  // namespace sim_test
