#include <cstring>

#include "QivUnicodeControls/nls.h"

namespace qiv {

namespace {

constexpr unsigned kSystemCodePage = 936;
constexpr LCID kSystemLocale = 0x0804;  // Chinese (PRC)

struct LanguageCodePage {
    std::uint16_t primary;
    unsigned codePage;
};

// Default ANSI code page by primary language; Chinese is resolved by sublanguage.
constexpr LanguageCodePage kLanguages[] = {
    {0x01, 1256},  // Arabic
    {0x02, 1251},  // Bulgarian
    {0x03, 1252},  // Catalan
    {0x05, 1250},  // Czech
    {0x06, 1252},  // Danish
    {0x07, 1252},  // German
    {0x08, 1253},  // Greek
    {0x09, 1252},  // English
    {0x0A, 1252},  // Spanish
    {0x0B, 1252},  // Finnish
    {0x0C, 1252},  // French
    {0x0D, 1255},  // Hebrew
    {0x0E, 1250},  // Hungarian
    {0x0F, 1252},  // Icelandic
    {0x10, 1252},  // Italian
    {0x11, 932},   // Japanese
    {0x12, 949},   // Korean
    {0x13, 1252},  // Dutch
    {0x14, 1252},  // Norwegian
    {0x15, 1250},  // Polish
    {0x16, 1252},  // Portuguese
    {0x18, 1250},  // Romanian
    {0x19, 1251},  // Russian
    {0x1A, 1250},  // Croatian
    {0x1B, 1250},  // Slovak
    {0x1C, 1250},  // Albanian
    {0x1D, 1252},  // Swedish
    {0x1E, 874},   // Thai
    {0x1F, 1254},  // Turkish
    {0x22, 1251},  // Ukrainian
    {0x23, 1251},  // Belarusian
    {0x24, 1250},  // Slovenian
    {0x25, 1257},  // Estonian
    {0x26, 1257},  // Latvian
    {0x27, 1257},  // Lithuanian
    {0x2A, 1258},  // Vietnamese
    {0x7F, 1252},  // invariant
};

std::optional<unsigned> ChineseCodePage(std::uint16_t sublanguage) {
    switch (sublanguage) {
        case 0x02:  // PRC
        case 0x04:  // Singapore
            return 936;
        case 0x01:  // Taiwan
        case 0x03:  // Hong Kong
        case 0x05:  // Macao
            return 950;
        default:
            return std::nullopt;
    }
}

}  // namespace

unsigned GetACP() { return kSystemCodePage; }

std::optional<unsigned> LocaleAnsiCodePage(LCID locale) {
    if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT) locale = kSystemLocale;
    if ((locale >> 16) != 0) return std::nullopt;  // sort identifiers are not kept
    const auto primary = static_cast<std::uint16_t>(locale & 0x3FF);
    const auto sublanguage = static_cast<std::uint16_t>((locale >> 10) & 0x3F);
    if (primary == 0x04) return ChineseCodePage(sublanguage);
    for (const LanguageCodePage& entry : kLanguages)
        if (entry.primary == primary) return entry.codePage;
    return std::nullopt;
}

int GetLocaleInfoA(LCID locale, std::uint32_t type, char* data, int size) {
    if (type != LOCALE_IDEFAULTANSICODEPAGE || size < 0) return 0;
    const std::optional<unsigned> codePage = LocaleAnsiCodePage(locale);
    if (!codePage) return 0;
    const std::string text = std::to_string(*codePage);
    const int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) return needed;
    if (data == nullptr || size < needed) return 0;
    std::memcpy(data, text.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

}  // namespace qiv
