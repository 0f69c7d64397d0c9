#pragma once

// Code page of a locale, locale-aware wide comparison, UTF-16 <-> UTF-8.

#include <string>
#include <string_view>

#include "QivUnicodeControls/nls.h"

namespace qiv {

// The locale's default ANSI code page; the system code page when the locale
// gives none.
unsigned LcidToCodePage(LCID locale);

// Case-insensitive comparison in the locale: -1, 0 or 1.
int WideCompareLocale(std::u16string_view a, std::u16string_view b, LCID locale);

// The same comparison made on both strings' forms in the locale's code page.
int WideCompareLocaleAnsi(std::u16string_view a, std::u16string_view b, LCID locale);

// Surrogate pairs become one 4-byte sequence; an unpaired surrogate is
// written by itself as 3 bytes, so it reads back unchanged.
std::string WideToUtf8(std::u16string_view text);

// Never fails: a sequence cut short by the end of input or by a byte that is
// no continuation byte, a stray continuation byte, and a value beyond U+10FFFF
// each become one U+FFFD.
std::u16string Utf8ToWide(std::string_view text);

}  // namespace qiv
