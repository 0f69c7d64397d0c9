#include "core/modules/printer_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace {

using Marker3 = std::array<std::uint8_t, 3>;
using Marker4 = std::array<std::uint8_t, 4>;

constexpr Marker4 kStartMarkers[] = {
    {0xD6, 0xD0, 0xB9, 0xFA},  // 中国
    {0xCC, 0xE5, 0xB2, 0xCA},  // 体彩
};
constexpr Marker3 kEndMarker = {0x1D, 0x28, 0x6B};  // GS ( k
// ESC !, GS !, ESC a, ESC E, ESC 3, each followed by its parameter byte; taken out in
// this order.
constexpr std::array<std::uint8_t, 2> kFormatting[] = {
    {0x1B, 0x21}, {0x1D, 0x21}, {0x1B, 0x61}, {0x1B, 0x45}, {0x1B, 0x33},
};
constexpr std::size_t kFormattingLength = 3;

// Position of the first whole occurrence of marker, or the message's size.
template <std::size_t N>
std::size_t Find(std::span<const std::uint8_t> message, const std::array<std::uint8_t, N>& marker) {
    return static_cast<std::size_t>(
        std::search(message.begin(), message.end(), marker.begin(), marker.end()) -
        message.begin());
}

// Takes every run of command (and its parameter byte) out of text[0, length), first one
// first; the bytes behind move up and the freed end is zeroed. Returns the new length.
std::size_t RemoveCommand(std::uint8_t* text, std::size_t length,
                          const std::array<std::uint8_t, 2>& command) {
    for (;;) {
        if (length < kFormattingLength) return length;
        const std::span<const std::uint8_t> searched(text, length - 1);
        const std::size_t at = Find(searched, command);
        if (at == searched.size()) return length;
        std::memmove(text + at, text + at + kFormattingLength, length - at - kFormattingLength);
        length -= kFormattingLength;
        std::memset(text + length, 0, kFormattingLength);
    }
}

}  // namespace

bool GetTextFromPrinterMessage(const std::uint8_t* message, int length, std::uint8_t* output,
                               int* outputLength) {
    if (message == nullptr || output == nullptr || outputLength == nullptr || length <= 0 ||
        *outputLength < length) {
        return false;
    }
    const std::span<const std::uint8_t> data(message, static_cast<std::size_t>(length));
    const std::size_t end = Find(data, kEndMarker);
    if (end == data.size()) return false;
    std::size_t start = data.size();
    for (const Marker4& marker : kStartMarkers) {
        start = Find(data, marker);
        if (start != data.size()) break;
    }
    if (start >= end) return false;
    std::size_t textLength = end - start;
    std::memcpy(output, message + start, textLength);
    output[textLength] = 0;
    for (const auto& command : kFormatting) {
        textLength = RemoveCommand(output, textLength, command);
    }
    *outputLength = static_cast<int>(textLength);
    return true;
}
