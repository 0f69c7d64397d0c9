#pragma once

#include <QString>
#include <algorithm>
#include <cstdint>
#include <span>

#include "testbench/core/hex_text.h"

namespace bench {

// The first count bytes of a buffer of `room` bytes as hexadecimal pairs, never past it: a
// count the driver reports is bounded by the buffer it filled.
inline QString BoundedHex(const std::uint8_t* bytes, std::size_t room, long long count,
                          bool withBlank = false) {
    const auto n =
        static_cast<std::size_t>(std::clamp<long long>(count, 0, static_cast<long long>(room)));
    return BytesToHex(std::span<const std::uint8_t>(bytes, room), n, withBlank);
}

}  // namespace bench
