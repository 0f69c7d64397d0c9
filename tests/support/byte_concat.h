#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

// Byte strings joined for the tests of both sides.

namespace test_bytes {

using Bytes = std::vector<std::uint8_t>;

// The parts one after the other, copied into a vector sized once for all of them.
inline Bytes Concat(std::initializer_list<Bytes> parts) {
    std::size_t size = 0;
    for (const Bytes& part : parts) size += part.size();
    Bytes out(size);
    auto at = out.begin();
    for (const Bytes& part : parts) at = std::copy(part.begin(), part.end(), at);
    return out;
}

}  // namespace test_bytes
