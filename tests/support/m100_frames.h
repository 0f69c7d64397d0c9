#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/byte_concat.h"

// M100 module frames laid out from the frame format, for the tests of both sides.

namespace m100_test {

using Bytes = std::vector<std::uint8_t>;
using test_bytes::Concat;

// BB, type, command, parameter length (2, high byte first), parameters, the sum of the
// bytes from type to the last parameter, 7E.
inline Bytes Frame(std::uint8_t type, std::uint8_t command, const Bytes& parameters) {
    Bytes frame = Concat({{0xBB, type, command, static_cast<std::uint8_t>(parameters.size() >> 8),
                           static_cast<std::uint8_t>(parameters.size())},
                          parameters,
                          {0x00, 0x7E}});
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i + 2 < frame.size(); ++i) {
        sum = static_cast<std::uint8_t>(sum + frame[i]);
    }
    frame[frame.size() - 2] = sum;
    return frame;
}

}  // namespace m100_test
