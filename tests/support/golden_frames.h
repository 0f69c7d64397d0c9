#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Reader frames computed by tests/data/reader_frames_golden.py straight from the wire
// format, with the build's reply mask.

struct GoldenRequest {
    std::size_t packetSize = 0;
    std::array<std::uint8_t, 4> mask{};
    std::uint8_t sequence = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> frame;
};

struct GoldenReply {
    std::array<std::uint8_t, 4> mask{};
    std::uint8_t sequence = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> frame;
};

struct GoldenFrames {
    std::vector<GoldenRequest> requests;
    std::vector<GoldenReply> replies;
};

// Runs the script (fails the current test when it cannot).
GoldenFrames LoadGoldenFrames();
