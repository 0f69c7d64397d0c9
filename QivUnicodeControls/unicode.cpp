#include "QivUnicodeControls/unicode.h"

#include <charconv>
#include <cstdint>

namespace qiv {

namespace {

constexpr std::uint8_t kFirstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
constexpr std::uint32_t kOffsets[6] = {0x00000000, 0x00003080, 0x000E2080,
                                       0x03C82080, 0xFA082080, 0x82082080};
constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint32_t kMaxBmp = 0xFFFF;
constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;
constexpr std::uint32_t kSurrogateBase = 0x10000;
constexpr int kHalfShift = 10;
constexpr std::uint32_t kHalfMask = 0x3FF;
constexpr char16_t kHighStart = 0xD800;
constexpr char16_t kLowStart = 0xDC00;

int TrailingBytes(std::uint8_t lead) {
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    return 5;
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendUtf8(std::string& out, std::uint32_t value) {
    int length = value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
    char bytes[4];
    for (int i = length - 1; i > 0; --i) {
        bytes[i] = static_cast<char>(0x80 | (value & 0x3F));
        value >>= 6;
    }
    bytes[0] = static_cast<char>(value | kFirstByteMark[length]);
    out.append(bytes, static_cast<std::size_t>(length));
}

int Sign(int cstrResult) { return cstrResult - CSTR_EQUAL; }

}  // namespace

unsigned LcidToCodePage(LCID locale) {
    char buffer[6] = {};
    const int written = GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, buffer, sizeof buffer);
    unsigned codePage = 0;
    const char* end = buffer + (written > 0 ? written - 1 : 0);
    const auto [stop, error] = std::from_chars(buffer, end, codePage);
    if (written <= 0 || error != std::errc() || stop != end || stop == buffer) return GetACP();
    return codePage;
}

int WideCompareLocale(std::u16string_view a, std::u16string_view b, LCID locale) {
    return Sign(CompareStringW(locale, NORM_IGNORECASE, a, b));
}

int WideCompareLocaleAnsi(std::u16string_view a, std::u16string_view b, LCID locale) {
    const unsigned codePage = LcidToCodePage(locale);
    const std::optional<std::string> bytesA = WideCharToMultiByte(codePage, a);
    const std::optional<std::string> bytesB = WideCharToMultiByte(codePage, b);
    if (!bytesA || !bytesB) return WideCompareLocale(a, b, locale);
    return Sign(CompareStringA(locale, NORM_IGNORECASE, *bytesA, *bytesB));
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t value = text[i];
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            value =
                kSurrogateBase + ((value - kHighStart) << kHalfShift) + (text[i + 1] - kLowStart);
            ++i;
        }
        AppendUtf8(out, value);
    }
    return out;
}

std::u16string Utf8ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i++]);
        if (lead >= 0x80 && lead < 0xC0) {
            out.push_back(kReplacement);
            continue;
        }
        const int trailing = TrailingBytes(lead);
        std::uint32_t value = lead;
        int read = 0;
        while (read < trailing && i < text.size() &&
               (static_cast<std::uint8_t>(text[i]) & 0xC0) == 0x80) {
            value = (value << 6) + static_cast<std::uint8_t>(text[i++]);
            ++read;
        }
        if (read < trailing) {
            out.push_back(kReplacement);
            continue;
        }
        value -= kOffsets[trailing];
        if (value <= kMaxBmp) {
            out.push_back(static_cast<char16_t>(value));
        } else if (value <= kMaxCodePoint) {
            value -= kSurrogateBase;
            out.push_back(static_cast<char16_t>((value >> kHalfShift) + kHighStart));
            out.push_back(static_cast<char16_t>((value & kHalfMask) + kLowStart));
        } else {
            out.push_back(kReplacement);
        }
    }
    return out;
}

}  // namespace qiv
