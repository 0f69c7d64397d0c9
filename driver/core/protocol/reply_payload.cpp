#include "core/protocol/reply_payload.h"

#include <algorithm>
#include <cstring>

std::size_t CopyPayloadBounded(std::span<const std::uint8_t> payload, std::size_t offset,
                               std::size_t count, std::uint8_t* dest, std::size_t capacity) {
    if (dest == nullptr || offset >= payload.size()) return 0;
    const std::size_t n = std::min({count, payload.size() - offset, capacity});
    std::memcpy(dest, payload.data() + offset, n);
    return n;
}
