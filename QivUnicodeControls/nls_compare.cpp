#include <locale.h>
#include <wctype.h>

#include "QivUnicodeControls/nls.h"

namespace qiv {

namespace {

// Case folding follows the C library's UTF-8 locale; where it is missing,
// only the C locale's folding applies.
char32_t Fold(char32_t c) {
    static const locale_t utf8 =
        newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    const wint_t wide = static_cast<wint_t>(c);
    return static_cast<char32_t>(utf8 != static_cast<locale_t>(nullptr) ? towlower_l(wide, utf8)
                                                                        : towlower(wide));
}

// Next code point of `text` from `pos`; an unpaired surrogate stands for itself.
char32_t NextCodePoint(std::u16string_view text, std::size_t& pos) {
    const char16_t unit = text[pos++];
    if (unit >= 0xD800 && unit <= 0xDBFF && pos < text.size() && text[pos] >= 0xDC00 &&
        text[pos] <= 0xDFFF) {
        const char16_t low = text[pos++];
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    return unit;
}

}  // namespace

int CompareStringW(LCID, std::uint32_t flags, std::u16string_view a, std::u16string_view b) {
    if ((flags & ~NORM_IGNORECASE) != 0) return 0;
    const bool ignoreCase = (flags & NORM_IGNORECASE) != 0;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t x = NextCodePoint(a, i);
        char32_t y = NextCodePoint(b, j);
        if (ignoreCase) {
            x = Fold(x);
            y = Fold(y);
        }
        if (x != y) return x < y ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    if (i < a.size()) return CSTR_GREATER_THAN;
    if (j < b.size()) return CSTR_LESS_THAN;
    return CSTR_EQUAL;
}

int CompareStringA(LCID locale, std::uint32_t flags, std::string_view a, std::string_view b) {
    const std::optional<unsigned> codePage = LocaleAnsiCodePage(locale);
    if (!codePage) return 0;
    const std::optional<std::u16string> wideA = MultiByteToWideChar(*codePage, a);
    const std::optional<std::u16string> wideB = MultiByteToWideChar(*codePage, b);
    if (!wideA || !wideB) return 0;
    return CompareStringW(locale, flags, *wideA, *wideB);
}

}  // namespace qiv
