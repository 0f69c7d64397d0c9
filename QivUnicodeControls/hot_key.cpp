#include "QivUnicodeControls/hot_key.h"

#include <optional>

#include "QivUnicodeControls/unicode.h"

namespace qiv {

namespace {

constexpr char16_t kPrefix = u'&';

bool IsDoubled(std::u16string_view text, std::size_t i) {
    return text[i] == kPrefix && i + 1 < text.size() && text[i + 1] == kPrefix;
}

// "(&X)" starting at `i`.
bool IsFarEastHotKey(std::u16string_view text, std::size_t i) {
    return i + 3 < text.size() && text[i] == u'(' && text[i + 1] == kPrefix &&
           text[i + 2] != kPrefix && text[i + 3] == u')';
}

// The text without its hot-key markers; `keepDoubled` keeps "&&" as it is.
std::u16string RemoveMarkers(std::u16string_view text, bool farEast, bool keepDoubled) {
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (farEast && IsFarEastHotKey(text, i)) {
            i += 4;
        } else if (IsDoubled(text, i)) {
            out += keepDoubled ? u"&&" : u"&";
            i += 2;
        } else if (text[i] == kPrefix) {
            ++i;
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

// Index in `text` (whose "&&" count as one shown character) of shown character
// `shown`; `text.size()` when it ends right there, empty when it is shorter.
std::optional<std::size_t> IndexOfShown(std::u16string_view text, std::size_t shown) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < shown; ++n) {
        if (i >= text.size()) return std::nullopt;
        i += IsDoubled(text, i) ? 2 : 1;
    }
    return i;
}

}  // namespace

int GetHotKeyPos(std::u16string_view text) {
    int pos = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != kPrefix) continue;
        if (text[i + 1] == kPrefix)
            ++i;
        else
            pos = static_cast<int>(i) + 2;
    }
    return pos;
}

std::u16string WideStripHotkey(std::u16string_view text, bool farEast) {
    return RemoveMarkers(text, farEast, false);
}

bool WideSameCaption(std::u16string_view a, std::u16string_view b, bool farEast) {
    return WideCompareLocale(WideStripHotkey(a, farEast), WideStripHotkey(b, farEast),
                             LOCALE_USER_DEFAULT) == 0;
}

std::u16string WideFixHotKey(std::u16string_view reference, std::u16string_view caption,
                             bool farEast) {
    std::u16string fixed = RemoveMarkers(caption, farEast, true);
    const int pos = GetHotKeyPos(reference);
    if (pos == 0) return fixed;
    const std::size_t marker = static_cast<std::size_t>(pos) - 2;
    const bool form = farEast && marker > 0 && IsFarEastHotKey(reference, marker - 1);
    const std::size_t start = form ? marker - 1 : marker;
    const std::size_t shown = WideStripHotkey(reference.substr(0, start), farEast).size();
    const std::optional<std::size_t> at = IndexOfShown(fixed, shown);
    if (!at) return fixed;
    if (form) {
        fixed.insert(*at, std::u16string(u"(&") + reference[marker + 1] + u")");
    } else if (*at < fixed.size() && fixed[*at] != kPrefix) {
        fixed.insert(*at, 1, kPrefix);
    }
    return fixed;
}

}  // namespace qiv
