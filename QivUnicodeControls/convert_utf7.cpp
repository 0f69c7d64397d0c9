#include "QivUnicodeControls/convert_utf7.h"

#include <array>
#include <cstdint>

namespace qiv {

namespace {

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kDirect =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
constexpr std::string_view kSpaces = " \t\r\n";
constexpr std::string_view kOptional = "!\"#$%&*;<=>@[]^_`{|}";
constexpr char kShiftIn = '+';
constexpr char kShiftOut = '-';

struct Tables {
    std::array<bool, 128> mustShiftOptional{};
    std::array<int, 128> inverseBase64{};
};

const Tables& GetTables() {
    static const Tables tables = [] {
        Tables t;
        t.mustShiftOptional.fill(true);
        t.inverseBase64.fill(-1);
        for (std::string_view set : {kDirect, kSpaces, kOptional})
            for (char c : set) t.mustShiftOptional[static_cast<std::uint8_t>(c)] = false;
        for (std::size_t i = 0; i < kBase64.size(); ++i)
            t.inverseBase64[static_cast<std::uint8_t>(kBase64[i])] = static_cast<int>(i);
        return t;
    }();
    return tables;
}

bool NeedsShift(char16_t unit) { return unit > 0x7F || GetTables().mustShiftOptional[unit]; }

int Base64Value(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    return byte < 0x80 ? GetTables().inverseBase64[byte] : -1;
}

// Decodes all of `text` into `out`; false when any of it is malformed.
bool DecodeUtf7(std::string_view text, std::u16string& out) {
    bool legal = true;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c != kShiftIn) {
            if (static_cast<std::uint8_t>(c) > 0x7F) legal = false;
            out.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        std::uint32_t bits = 0;
        int bitCount = 0;
        std::size_t digits = 0;
        bool wroteOne = false;
        while (i < text.size() && Base64Value(text[i]) >= 0) {
            bits = (bits << 6) | static_cast<std::uint32_t>(Base64Value(text[i++]));
            bitCount += 6;
            ++digits;
            if (bitCount >= 16) {
                bitCount -= 16;
                out.push_back(static_cast<char16_t>(bits >> bitCount));
                bits &= (1u << bitCount) - 1;
                wroteOne = true;
            }
        }
        const bool closedByDash = i < text.size() && text[i] == kShiftOut;
        if (closedByDash) ++i;
        if (digits == 0 && closedByDash) {
            out.push_back(u'+');
            continue;
        }
        if (!wroteOne || bitCount >= 6 || bits != 0) legal = false;
    }
    return legal;
}

}  // namespace

std::string WideToUtf7(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 7);
    bool shifted = false;
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool atEnd = i == text.size();
        const char16_t unit = atEnd ? u'\0' : text[i];
        const bool needShift = !atEnd && NeedsShift(unit);
        if (needShift && !shifted) {
            out.push_back(kShiftIn);
            if (unit == u'+') {
                out.push_back(kShiftOut);
                continue;
            }
            shifted = true;
        }
        if (shifted) {
            if (needShift) {
                bits = (bits << 16) | unit;
                bitCount += 16;
            } else if (bitCount % 6 != 0) {
                const int pad = 6 - bitCount % 6;
                bits <<= pad;
                bitCount += pad;
            }
            while (bitCount >= 6) {
                bitCount -= 6;
                out.push_back(kBase64[(bits >> bitCount) & 0x3F]);
            }
            bits &= (1u << bitCount) - 1;
            if (needShift) continue;
            shifted = false;
            if (!atEnd && (Base64Value(static_cast<char>(unit)) >= 0 || unit == kShiftOut))
                out.push_back(kShiftOut);
        }
        if (!atEnd) out.push_back(static_cast<char>(unit));
    }
    return out;
}

std::u16string Utf7ToWide(std::string_view text, bool ignoreIllegal) {
    std::u16string out;
    out.reserve(text.size());
    if (!DecodeUtf7(text, out) && !ignoreIllegal) throw EConvertError("Invalid UTF7");
    return out;
}

}  // namespace qiv
