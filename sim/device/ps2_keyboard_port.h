#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The reader's PS/2 keyboard output: it plays scan code set 2 sequences to the host and
// keeps the keystrokes it played. A sequence is taken only when it is well formed: every
// break releases a key that is down, and every key is released by the end (Pause, which
// has no break code, counts as pressed and released).
class Ps2KeyboardPort {
  public:
    // One keystroke: the make codes of the keys held together, in the order they went
    // down (1C for A; E0 6B for left arrow; E0 12 E0 7C for Print Screen; E1 14 77 for
    // Pause).
    using Stroke = std::vector<std::uint8_t>;

    // Plays the sequence. False, with nothing recorded, when it is empty or malformed.
    bool Play(std::span<const std::uint8_t> codes);

    const std::vector<Stroke>& Strokes() const { return strokes_; }
    // Every byte played to the host, in order.
    const std::vector<std::uint8_t>& Output() const { return output_; }
    void Clear();

  private:
    std::vector<Stroke> strokes_;
    std::vector<std::uint8_t> output_;
};

}  // namespace sim
