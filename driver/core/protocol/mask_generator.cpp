#include "core/protocol/mask_generator.h"

#include <ctime>
#include <mutex>
#include <utility>

#include "core/util/md5.h"

namespace {

// Linear congruential generator with 15-bit draws, private to the driver so that the host's
// rand() sequence is never disturbed.
class MaskRandom {
  public:
    void Seed(std::uint32_t seed) { state_ = seed; }
    std::uint32_t Draw() {
        state_ = state_ * 214013u + 2531011u;
        return (state_ >> 16) & 0x7FFFu;
    }

  private:
    std::uint32_t state_ = 1;
};

struct MaskState {
    std::mutex mutex;
    MaskRandom random;
    std::uint32_t frameCounter = 0;
    FrameMaskSource source;
};

MaskState& State() {
    static MaskState state;
    return state;
}

}  // namespace

FrameMask FrameMaskFromWord(std::uint32_t r) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8),
                                   static_cast<std::uint8_t>(r >> 16),
                                   static_cast<std::uint8_t>(r >> 24)};
    char digest[40] = {};
    Md5Hex(bytes, 4, digest);
    const std::uint32_t w = static_cast<std::uint32_t>(static_cast<std::uint8_t>(digest[0])) |
                            static_cast<std::uint32_t>(static_cast<std::uint8_t>(digest[1])) << 8 |
                            static_cast<std::uint32_t>(static_cast<std::uint8_t>(digest[2])) << 16 |
                            static_cast<std::uint32_t>(static_cast<std::uint8_t>(digest[3])) << 24;
    const std::uint32_t m = r ^ w;
    return {static_cast<std::uint8_t>(m), static_cast<std::uint8_t>(m >> 8),
            static_cast<std::uint8_t>(m >> 16), static_cast<std::uint8_t>(m >> 24)};
}

FrameMask NextFrameMask() {
    MaskState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.random.Seed(static_cast<std::uint32_t>(std::time(nullptr)));
    std::uint32_t r = (state.random.Draw() << 16) + state.random.Draw();
    ++state.frameCounter;
    if (state.source) return state.source();
    r ^= state.frameCounter;
    return FrameMaskFromWord(r);
}

void SetFrameMaskSource(FrameMaskSource source) {
    MaskState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.source = std::move(source);
}
