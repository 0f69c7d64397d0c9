#include "sim/device/ps2_keyboard_port.h"

#include <algorithm>
#include <array>

namespace sim {
namespace {

constexpr std::uint8_t kExtended = 0xE0;
constexpr std::uint8_t kPausePrefix = 0xE1;
constexpr std::uint8_t kBreak = 0xF0;
// Pause sends make and break together and nothing when it is released.
constexpr std::array<std::uint8_t, 8> kPause = {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77};

bool IsPrefix(std::uint8_t code) {
    return code == kExtended || code == kPausePrefix || code == kBreak;
}

}  // namespace

bool Ps2KeyboardPort::Play(std::span<const std::uint8_t> codes) {
    std::vector<Stroke> played;
    std::vector<Stroke> held;
    Stroke chord;
    std::size_t i = 0;
    while (i < codes.size()) {
        if (codes.size() - i >= kPause.size() &&
            std::equal(kPause.begin(), kPause.end(), codes.begin() + static_cast<long>(i))) {
            if (!held.empty()) {
                return false;
            }
            played.push_back(Stroke(kPause.begin(), kPause.begin() + 3));
            i += kPause.size();
            continue;
        }
        // A break is F0 ahead of the code; an extended code's break carries F0 on either
        // side of its E0 (E0 F0 6B as a keyboard sends it, F0 E0 6B as the host does).
        Stroke key;
        bool isBreak = false;
        for (int prefix = 0; prefix < 2 && i < codes.size(); ++prefix) {
            if (codes[i] == kExtended && key.empty()) {
                key.push_back(kExtended);
                ++i;
            } else if (codes[i] == kBreak && !isBreak) {
                isBreak = true;
                ++i;
            }
        }
        if (i >= codes.size() || IsPrefix(codes[i])) {
            return false;
        }
        key.push_back(codes[i]);
        ++i;
        auto down = std::find(held.begin(), held.end(), key);
        if (isBreak) {
            if (down == held.end()) {
                return false;
            }
            held.erase(down);
            if (held.empty()) {
                played.push_back(chord);
                chord.clear();
            }
        } else {
            if (down != held.end()) {
                return false;
            }
            held.push_back(key);
            chord.insert(chord.end(), key.begin(), key.end());
        }
    }
    if (played.empty() || !held.empty()) {
        return false;
    }
    strokes_.insert(strokes_.end(), played.begin(), played.end());
    output_.insert(output_.end(), codes.begin(), codes.end());
    return true;
}

void Ps2KeyboardPort::Clear() {
    strokes_.clear();
    output_.clear();
}

}  // namespace sim
