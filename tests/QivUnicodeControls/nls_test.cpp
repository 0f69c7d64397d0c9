#include "QivUnicodeControls/nls.h"

#include <gtest/gtest.h>

#include "QivUnicodeControls/codec_test_support.h"
#include "QivUnicodeControls/unicode.h"
#include "driver/core/python_reference.h"

namespace {

using namespace qiv;
using namespace qiv_test;

TEST(LocaleCodePage, KnownAndUnknownLocales) {
    struct Case {
        LCID locale;
        unsigned codePage;
    } const cases[] = {
        {0x0804, 936},
        {0x1004, 936},
        {0x0404, 950},
        {0x0C04, 950},
        {0x0409, 1252},
        {0x0407, 1252},
        {0x0411, 932},
        {0x0412, 949},
        {0x0419, 1251},
        {0x0415, 1250},
        {0x041E, 874},
        {0x007F, 1252},
        {LOCALE_USER_DEFAULT, 936},
        {LOCALE_SYSTEM_DEFAULT, 936},
        {0x0439, 936},            // a locale without an ANSI code page: the system's
        {0x0000, 936},            // no language
        {0x0C04 | 0x10000, 936},  // sort identifiers are not kept
        {0x7C04, 936},            // unknown Chinese sublanguage
    };
    for (const Case& c : cases)
        EXPECT_EQ(LcidToCodePage(c.locale), c.codePage) << std::hex << c.locale;
    EXPECT_EQ(GetACP(), 936u);
}

TEST(LocaleCodePage, LocaleInfoBuffers) {
    char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetLocaleInfoA(0x0804, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0), 4);
    EXPECT_EQ(GetLocaleInfoA(0x0804, LOCALE_IDEFAULTANSICODEPAGE, buffer, 3), 0);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetLocaleInfoA(0x0804, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 6), 0);
    EXPECT_EQ(GetLocaleInfoA(0x0804, 0x0002, buffer, 6), 0);
    EXPECT_EQ(GetLocaleInfoA(0x0804, LOCALE_IDEFAULTANSICODEPAGE, buffer, -1), 0);
    EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_IDEFAULTANSICODEPAGE, buffer, 6), 5);
    EXPECT_STREQ(buffer, "1252");
}

// Every BMP character converted to GBK agrees with Python's gbk codec, except
// the euro sign, which the C library maps to 0x80 as code page 936 does.
TEST(GbkConversion, EveryBmpCharacterAgreesWithPython) {
    const std::vector<std::string> expected =
        Lines(RunPython("for c in list(range(1, 0xD800)) + list(range(0xE000, 0x10000)):\n"
                        "    print(chr(c).encode('gbk', 'replace').hex())\n"));
    std::size_t line = 0;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        ASSERT_LT(line, expected.size());
        const std::u16string text(1, static_cast<char16_t>(c));
        const std::string want = c == 0x20AC ? "80" : expected[line];
        ++line;
        const std::optional<std::string> got = WideCharToMultiByte(936, text);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(HexOfBytes(*got), want) << std::hex << "U+" << static_cast<unsigned>(c);
    }
    EXPECT_EQ(line, expected.size());
}

// Every double-byte code Python's gbk codec decodes reads the same here.
TEST(GbkConversion, EveryDoubleByteCodeAgreesWithPython) {
    const std::vector<std::string> expected = Lines(RunPython(
        "for lead in range(0x81, 0xFF):\n"
        "    for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFF)):\n"
        "        try:\n"
        "            print(bytes([lead, trail]).decode('gbk').encode('utf-16-le').hex())\n"
        "        except UnicodeDecodeError:\n"
        "            print('-')\n"));
    std::size_t line = 0;
    std::size_t compared = 0;
    for (int lead = 0x81; lead < 0xFF; ++lead) {
        for (int trail = 0x40; trail < 0xFF; ++trail) {
            if (trail == 0x7F) continue;
            ASSERT_LT(line, expected.size());
            const std::string& want = expected[line++];
            if (want == "-") continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::optional<std::u16string> got = MultiByteToWideChar(936, bytes);
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(HexOfUnits(*got), want) << HexOfBytes(bytes);
            ++compared;
        }
    }
    EXPECT_GT(compared, 20000u);
}

TEST(GbkConversion, BrokenInputIsReplaced) {
    EXPECT_EQ(MultiByteToWideChar(936, "\xD6\xD0\xCE\xC4"), u"\u4E2D\u6587");
    EXPECT_EQ(MultiByteToWideChar(936, "a\xD6"), u"a\uFFFD");
    EXPECT_EQ(MultiByteToWideChar(936,
                                  "\xFF"
                                  "a"),
              u"\uFFFDa");
    EXPECT_EQ(WideCharToMultiByte(936, std::u16string{u'a', 0xD800, u'b'}), "a?b");
    EXPECT_EQ(WideCharToMultiByte(936, std::u16string{u'a', 0xDC00}), "a?");
    EXPECT_EQ(WideCharToMultiByte(936, std::u16string{0xD83D, 0xDE00, u'x'}), "?x");
    EXPECT_EQ(WideCharToMultiByte(936, std::u16string{0xD83D}), "?");
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, u"\u4E2D"), "\xD6\xD0");
    EXPECT_EQ(WideCharToMultiByte(1252, u"\u00E9\u4E2D"), "\xE9?");
    EXPECT_FALSE(WideCharToMultiByte(12345, u"a").has_value());
    EXPECT_FALSE(MultiByteToWideChar(12345, "a").has_value());
    const std::u16string longText(5000, u'\u4E2D');
    EXPECT_EQ(MultiByteToWideChar(936, *WideCharToMultiByte(936, longText)), longText);
}

struct CompareCase {
    std::u16string a;
    std::u16string b;
    int result;
};

const CompareCase kCompareCases[] = {
    {u"abc", u"ABC", 0},       {u"a", u"B", -1},          {u"Zeta", u"alpha", 1},
    {u"ab", u"abc", -1},       {u"abc", u"ab", 1},        {u"", u"", 0},
    {u"", u"a", -1},           {u"_a", u"a", -1},         {u"\u00C4RGER", u"\u00E4rger", 0},
    {u"\u03A9", u"\u03C9", 0}, {u"\u0416", u"\u0436", 0}, {u"\u4E2D\u56FD", u"\u4E2D\u6587", -1},
};

TEST(WideCompare, CaseInsensitiveRules) {
    for (const CompareCase& c : kCompareCases) {
        EXPECT_EQ(WideCompareLocale(c.a, c.b, 0x0804), c.result);
        EXPECT_EQ(WideCompareLocale(c.b, c.a, 0x0409), -c.result);
    }
    // Supplementary characters sort by code point, above the whole BMP.
    EXPECT_EQ(WideCompareLocale(std::u16string{0xD83D, 0xDE00}, u"\uFFFD", 0x0804), 1);
    EXPECT_EQ(WideCompareLocale(std::u16string{0xD83D}, std::u16string{0xD83D}, 0x0804), 0);
    EXPECT_EQ(CompareStringW(0x0804, 0, u"a", u"A"), CSTR_GREATER_THAN);
    EXPECT_EQ(CompareStringW(0x0804, 0x10, u"a", u"A"), 0);
}

// The code-page variant sizes its buffers by the conversion, so double-byte
// text is compared whole.
TEST(WideCompare, AnsiVariantComparesWholeDoubleByteText) {
    for (const CompareCase& c : kCompareCases) {
        if (c.a.find_first_of(u"\u00C4\u03A9\u0416") != std::u16string::npos) continue;
        EXPECT_EQ(WideCompareLocaleAnsi(c.a, c.b, 0x0804), c.result);
    }
    EXPECT_EQ(WideCompareLocaleAnsi(u"\u4E2D\u56FDx", u"\u4E2D\u56FDy", 0x0804), -1);
    EXPECT_EQ(WideCompareLocaleAnsi(u"\u00C9t\u00E9", u"\u00E9T\u00C9", 0x0409), 0);
    // Characters the code page lacks compare as '?'.
    EXPECT_EQ(WideCompareLocaleAnsi(u"\u4E2D", u"\u6587", 0x0409), 0);
    EXPECT_EQ(CompareStringA(0x0804, NORM_IGNORECASE, "\xD6\xD0", "\xCE\xC4"), CSTR_LESS_THAN);
    EXPECT_EQ(CompareStringA(0x0439, NORM_IGNORECASE, "a", "a"), 0);
}

}  // namespace
