#pragma once

// A small national-language layer over the C library and iconv, standing in
// for the Windows functions the wide-text layer was written against.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qiv {

using LCID = std::uint32_t;

inline constexpr std::uint32_t LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_INVARIANT = 0x007F;

inline constexpr unsigned CP_ACP = 0;
inline constexpr unsigned CP_UTF8 = 65001;

inline constexpr std::uint32_t NORM_IGNORECASE = 0x00000001;
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// The system's 8-bit code page: GBK (936).
unsigned GetACP();

// Writes the locale's default ANSI code page as decimal text with its
// terminator into `data` and returns the characters written, terminator
// included; a `size` of 0 asks for the size needed. Returns 0 for an unknown
// locale, an unknown info type, a null `data` with a nonzero size or a buffer
// too short (nothing written then).
int GetLocaleInfoA(LCID locale, std::uint32_t type, char* data, int size);

// UTF-16 to the code page; characters it lacks (and unpaired surrogates)
// become '?'. Empty for a code page this layer does not know.
std::optional<std::string> WideCharToMultiByte(unsigned codePage, std::u16string_view text);

// The code page to UTF-16; bytes that form no character become U+FFFD.
// Empty for a code page this layer does not know.
std::optional<std::u16string> MultiByteToWideChar(unsigned codePage, std::string_view text);

// Compares by code point, surrogate pairs taken as one, after simple lower-case
// folding under NORM_IGNORECASE. Returns CSTR_LESS_THAN, CSTR_EQUAL or
// CSTR_GREATER_THAN; 0 for flags other than 0 and NORM_IGNORECASE.
int CompareStringW(LCID locale, std::uint32_t flags, std::u16string_view a, std::u16string_view b);

// Takes both strings from the locale's ANSI code page and compares them as
// CompareStringW does; 0 also when the locale's code page is unknown.
int CompareStringA(LCID locale, std::uint32_t flags, std::string_view a, std::string_view b);

// The locale's ANSI code page, empty for a locale this layer does not know.
std::optional<unsigned> LocaleAnsiCodePage(LCID locale);

}  // namespace qiv
