#include "core/modules/esp_slip.h"

#include <algorithm>

#include "core/modules/slip_escape.h"

std::size_t SlipEncode(std::span<const std::uint8_t> packet, std::span<std::uint8_t> out) {
    std::size_t length = 0;
    const auto put = [&](std::uint8_t byte) {
        if (length == out.size()) return false;
        out[length++] = byte;
        return true;
    };
    if (!put(kSlipEnd)) return 0;
    for (const std::uint8_t byte : packet) {
        bool fits = true;
        if (byte == kSlipEnd) {
            fits = put(kSlipEscape) && put(kSlipEscapedEnd);
        } else if (byte == kSlipEscape) {
            fits = put(kSlipEscape) && put(kSlipEscapedEscape);
        } else {
            fits = put(byte);
        }
        if (!fits) return 0;
    }
    return put(kSlipEnd) ? length : 0;
}

std::size_t SlipPieceLength(std::span<const std::uint8_t> frame, std::size_t offset,
                            std::size_t maxLength) {
    if (offset >= frame.size()) return 0;
    const std::size_t length = std::min(maxLength, frame.size() - offset);
    const std::size_t end = offset + length;
    // An escape run that starts on the piece's last byte reaches the piece's end unfinished.
    const bool escapeCut =
        end < frame.size() && length > 1 && CountSlipEscapeRun(frame.data() + end - 1, 1) == 1;
    return escapeCut ? length - 1 : length;
}
