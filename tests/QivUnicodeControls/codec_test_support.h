#pragma once

// Hex forms used to hand texts to and from the Python reference.

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace qiv_test {

inline std::string HexOfBytes(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (char c : bytes) {
        hex.push_back(digits[static_cast<std::uint8_t>(c) >> 4]);
        hex.push_back(digits[static_cast<std::uint8_t>(c) & 15]);
    }
    return hex;
}

inline std::string BytesOfHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// UTF-16LE bytes of `units`, in hex.
inline std::string HexOfUnits(std::u16string_view units) {
    std::string bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return HexOfBytes(bytes);
}

inline std::u16string UnitsOfHex(std::string_view hex) {
    const std::string bytes = BytesOfHex(hex);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                              (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    return units;
}

// Random text of whole code points (no unpaired surrogates), drawn from
// `ascii` printable characters mixed with BMP and supplementary ones.
inline std::u16string RandomText(std::mt19937& rng, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<char32_t> ascii(0x20, 0x7E);
    std::uniform_int_distribution<char32_t> bmp(0x80, 0xFFFD);
    std::uniform_int_distribution<char32_t> astral(0x10000, 0x10FFFF);
    std::u16string text;
    const std::size_t n = length(rng);
    for (std::size_t i = 0; i < n; ++i) {
        const int k = kind(rng);
        char32_t c = k <= 1 ? ascii(rng) : k == 2 ? bmp(rng) : astral(rng);
        if (c >= 0xD800 && c <= 0xDFFF) c = 0x4E2D;
        if (c < 0x10000) {
            text.push_back(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    }
    return text;
}

// Splits Python's output into its lines.
inline std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = output.find('\n', start);
        lines.push_back(output.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace qiv_test
