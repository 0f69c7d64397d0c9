#include "QivUnicodeControls/unicode.h"

#include <gtest/gtest.h>

#include "QivUnicodeControls/codec_test_support.h"
#include "driver/core/python_reference.h"

namespace {

using namespace qiv;
using namespace qiv_test;

TEST(Utf8Codec, PublishedExamples) {
    EXPECT_EQ(WideToUtf8(u"\u20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(WideToUtf8(u""), "");
    EXPECT_EQ(Utf8ToWide(""), u"");
}

// Random texts encoded by both sides must agree, and each side's bytes must
// decode back to the text.
TEST(Utf8Codec, RandomTextsAgreeWithPython) {
    std::mt19937 rng(20261210);
    std::vector<std::u16string> texts;
    std::string script = "for h in [\n";
    for (int i = 0; i < 200; ++i) {
        texts.push_back(RandomText(rng, 40));
        script += "'" + HexOfUnits(texts.back()) + "',\n";
    }
    script +=
        "]:\n    s = bytes.fromhex(h).decode('utf-16-le')\n"
        "    print(s.encode('utf-8').hex())\n";
    const std::vector<std::string> expected = Lines(RunPython(script));
    ASSERT_EQ(expected.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(HexOfBytes(WideToUtf8(texts[i])), expected[i]) << "text " << i;
        EXPECT_EQ(Utf8ToWide(BytesOfHex(expected[i])), texts[i]) << "text " << i;
    }
}

// An unpaired surrogate is written by itself (as Python's surrogatepass does)
// and reads back unchanged.
TEST(Utf8Codec, UnpairedSurrogatesRoundTrip) {
    const std::u16string cases[] = {
        {0xD800},       {0xDC00}, {u'a', 0xDBFF, u'b'}, {0xDE00, 0xD83D}, {0xD83D, 0xD83D, 0xDE00},
        {u'x', 0xD83D},
    };
    std::string script = "for h in [\n";
    for (const std::u16string& text : cases) script += "'" + HexOfUnits(text) + "',\n";
    script +=
        "]:\n    s = bytes.fromhex(h).decode('utf-16-le', 'surrogatepass')\n"
        "    print(s.encode('utf-8', 'surrogatepass').hex())\n";
    const std::vector<std::string> expected = Lines(RunPython(script));
    ASSERT_EQ(expected.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(HexOfBytes(WideToUtf8(cases[i])), expected[i]) << "case " << i;
        EXPECT_EQ(Utf8ToWide(WideToUtf8(cases[i])), cases[i]) << "case " << i;
    }
}

// Cut-short and stray bytes: one U+FFFD for each broken sequence, as Python's
// "replace" handler gives, and never a read past the input.
TEST(Utf8Codec, TruncatedAndStrayBytesAgreeWithPythonReplace) {
    const std::string cases[] = {
        "\xE2\x82",
        "\xF0\x9F\x98",
        "\xC3",
        "\xE2\x41",
        "\x80",
        "\xBF\x41",
        "\xF0\x9F\x41\x42",
        "\xE2\x82\xAC\x80",
        "a\xF0",
        "\xC3\xA9\xE2",
        "\xE4\xB8\xAD\xE6",
        "\xF0\x9F\x98\x80\xF0\x9F",
    };
    std::string script = "for h in [\n";
    for (const std::string& bytes : cases) script += "'" + HexOfBytes(bytes) + "',\n";
    script +=
        "]:\n    s = bytes.fromhex(h).decode('utf-8', 'replace')\n"
        "    print(s.encode('utf-16-le', 'surrogatepass').hex())\n";
    const std::vector<std::string> expected = Lines(RunPython(script));
    ASSERT_EQ(expected.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        // A copy of exactly the input's size lets the sanitizer catch an over-read.
        const std::string exact(cases[i]);
        EXPECT_EQ(HexOfUnits(Utf8ToWide(exact)), expected[i]) << "case " << i;
    }
}

// Forms the decoder has always read (kept so stored text still reads the same),
// and values beyond the UTF-16 range.
TEST(Utf8Codec, LenientFormsAndOutOfRangeValues) {
    struct Case {
        std::string bytes;
        std::u16string units;
    } const cases[] = {
        {"\xED\xA0\xBD\xED\xB8\x80", {0xD83D, 0xDE00}},  // pair written half by half
        {std::string("\xC0\x80", 2), {0x0000}},          // over-long NUL
        {"\xE0\x82\xAC", {0x00AC}},                      // over-long
        {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},          // U+10FFFF
        {"\xF4\x90\x80\x80", {0xFFFD}},                  // U+110000
        {"\xF8\x88\x80\x80\x80", {0xFFFD}},              // 5-byte form
        {"\xFC\x84\x80\x80\x80\x80"
         "a",
         {0xFFFD, u'a'}},                    // 6-byte form
        {"\xFD\xBF\xBF\xBF\xBF", {0xFFFD}},  // 6-byte lead cut short
        {"\xFE", {0xFFFD}},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToWide(c.bytes), c.units) << HexOfBytes(c.bytes);
}

TEST(Utf8Codec, LongTextsBeyondSixteenBitPositions) {
    const std::u16string text(30000, u'\u4E2D');
    const std::string bytes = WideToUtf8(text);
    ASSERT_EQ(bytes.size(), 90000u);
    EXPECT_EQ(Utf8ToWide(bytes), text);
}

}  // namespace
