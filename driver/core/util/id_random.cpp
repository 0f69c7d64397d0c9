#include "core/util/id_random.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <random>

#include "core/util/md5.h"

namespace {

constexpr unsigned kIdTextSize = 128;

// Library-wide: the identifier counter and the driver's own generator, never
// the host program's rand().
struct IdSource {
    std::mutex lock;
    std::uint32_t counter = 0;
    std::minstd_rand generator{std::random_device{}()};
};

IdSource& Source() {
    static IdSource source;
    return source;
}

}  // namespace

int GetIdRandom(char* buffer, unsigned length) {
    if (buffer == nullptr || length == 0) return 0;
    IdSource& source = Source();
    std::lock_guard<std::mutex> guard(source.lock);
    ++source.counter;
    const std::uint32_t value = static_cast<std::uint32_t>(source.generator()) + source.counter;
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    char text[kIdTextSize] = {};
    Md5Hex(bytes, sizeof bytes, text);
    std::memcpy(buffer, text, length < kIdTextSize ? length : kIdTextSize);
    return 0;
}
