#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// A short command APDU of ISO 7816-4 taken apart: CLA INS P1 P2 [Lc data] [Le].
struct CommandApdu {
    std::uint8_t cla = 0;
    std::uint8_t ins = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;
    std::vector<std::uint8_t> data;
    std::optional<unsigned> le;  // 1-256 (a byte 00 stands for 256)

    // Nothing when the bytes are no short APDU of case 1 to 4.
    static std::optional<CommandApdu> Parse(std::span<const std::uint8_t> bytes);
};

}  // namespace sim
