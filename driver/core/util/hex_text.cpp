#include "core/util/hex_text.h"

std::size_t BytesToHexText(const std::uint8_t* data, char* text, std::size_t length,
                           std::uint8_t spaced) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (data == nullptr || text == nullptr) return 0;
    const std::size_t step = spaced != 0 ? 3 : 2;
    for (std::size_t i = 0; i < length; ++i) {
        char* out = text + i * step;
        out[0] = kDigits[data[i] >> 4];
        out[1] = kDigits[data[i] & 0x0F];
        if (spaced != 0) out[2] = ' ';
    }
    return length;
}
