#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// M100 module frames laid out from the frame format, for the tests of both sides.

namespace m100_test {

using Bytes = std::vector<std::uint8_t>;

// BB, type, command, parameter length (2, high byte first), parameters, the sum of the
// bytes from type to the last parameter, 7E.
inline Bytes Frame(std::uint8_t type, std::uint8_t command, const Bytes& parameters) {
    Bytes frame = {0xBB, type, command, static_cast<std::uint8_t>(parameters.size() >> 8),
                   static_cast<std::uint8_t>(parameters.size())};
    frame.insert(frame.end(), parameters.begin(), parameters.end());
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
    frame.push_back(sum);
    frame.push_back(0x7E);
    return frame;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

}  // namespace m100_test
