#include "QivUnicodeControls/convert_utf7.h"

#include <gtest/gtest.h>

#include "QivUnicodeControls/codec_test_support.h"
#include "driver/core/python_reference.h"

namespace {

using namespace qiv;
using namespace qiv_test;

struct Utf7Case {
    std::u16string text;
    std::string encoded;
};

// RFC 2152's examples and the shift rules. The encoder closes a shift with "-"
// only before a base64 character or "-", so a shift at the end stays open.
TEST(Utf7Codec, ExamplesEncodeAndDecode) {
    const Utf7Case cases[] = {
        {u"A\u2262\u0391.", "A+ImIDkQ."},
        {u"Hi Mom -\u263A-!", "Hi Mom -+Jjo--!"},
        {u"\u65E5\u672C\u8A9E", "+ZeVnLIqe"},
        {u"Item 3 is \u00A31.", "Item 3 is +AKM-1."},
        {u"A+B", "A+-B"},
        {u"Hello, world: (it's 1/2)?", "Hello, world: (it's 1/2)?"},
        {u"!\"#$%&*;<=>@[]^_`{|}", "!\"#$%&*;<=>@[]^_`{|}"},
        {u"\u00E9 x", "+AOk x"},
        {u"\u00E9x", "+AOk-x"},
        {u"\u00E9-", "+AOk--"},
        {u"\u00E9.", "+AOk."},
        {u"\u00E9+", "+AOkAKw"},
        {u"~\\", "+AH4AXA"},
        {{0xD83D, 0xDE00}, "+2D3eAA"},
        {u"", ""},
    };
    for (const Utf7Case& c : cases) {
        EXPECT_EQ(WideToUtf7(c.text), c.encoded);
        EXPECT_EQ(Utf7ToWide(c.encoded), c.text) << c.encoded;
    }
    EXPECT_EQ(Utf7ToWide("+ZeVnLIqe-"), u"\u65E5\u672C\u8A9E");
    EXPECT_EQ(Utf7ToWide("+-"), u"+");
    EXPECT_EQ(Utf7ToWide("+AGE-"), u"a");
}

// Our encoding must decode to the text under Python's codec, and Python's
// encoding must decode to the text under ours.
TEST(Utf7Codec, RandomTextsRoundTripThroughPython) {
    std::mt19937 rng(7152);
    std::vector<std::u16string> texts;
    std::string script = "for ours, text in [\n";
    for (int i = 0; i < 200; ++i) {
        std::u16string text = RandomText(rng, 30);
        if (i % 4 == 0) text += u"+-!~ \t\r\n";
        texts.push_back(text);
        script += "('" + HexOfBytes(WideToUtf7(text)) + "', '" + HexOfUnits(text) + "'),\n";
    }
    script +=
        "]:\n    s = bytes.fromhex(text).decode('utf-16-le')\n"
        "    print('ok' if bytes.fromhex(ours).decode('utf-7') == s else 'differs',"
        " s.encode('utf-7').hex())\n";
    const std::vector<std::string> lines = Lines(RunPython(script));
    ASSERT_EQ(lines.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::size_t space = lines[i].find(' ');
        EXPECT_EQ(lines[i].substr(0, space), "ok") << "text " << i << ": " << WideToUtf7(texts[i]);
        EXPECT_EQ(Utf7ToWide(BytesOfHex(lines[i].substr(space + 1))), texts[i]) << "text " << i;
    }
}

// Unpaired surrogates travel as plain 16-bit units.
TEST(Utf7Codec, UnpairedSurrogatesRoundTrip) {
    const std::u16string cases[] = {{0xD800}, {u'a', 0xDC00, u'b'}, {0xDE00, 0xD83D, u'-'}};
    for (const std::u16string& text : cases) EXPECT_EQ(Utf7ToWide(WideToUtf7(text)), text);
}

// Malformed input: Python's codec rejects each of these too. With illegal
// input ignored, the whole units decoded are kept.
TEST(Utf7Codec, MalformedInputIsRejected) {
    struct Case {
        std::string encoded;
        std::u16string kept;
    } const cases[] = {
        {"+AGF-", u"a"},   // leftover bits not zero
        {"+AGEA-", u"a"},  // a partial unit of 6 bits
        {"+A-", u""},      // a shift holding no whole unit
        {"+AGEAY", u"a"},  // input ends inside a unit
        {"a\xC3"
         "b",
         u"a\u00C3b"},             // byte above 0x7F
        {"+AGE\xC3", u"a\u00C3"},  // byte above 0x7F closes the shift
        {"+ ", u" "},              // shift with nothing in it
    };
    std::string script = "for h in [\n";
    for (const Case& c : cases) script += "'" + HexOfBytes(c.encoded) + "',\n";
    script +=
        "]:\n    try:\n        bytes.fromhex(h).decode('utf-7')\n        print('accepted')\n"
        "    except UnicodeDecodeError:\n        print('rejected')\n";
    const std::vector<std::string> python = Lines(RunPython(script));
    ASSERT_EQ(python.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string exact(cases[i].encoded);
        EXPECT_EQ(python[i], "rejected") << HexOfBytes(exact);
        try {
            Utf7ToWide(exact);
            ADD_FAILURE() << "accepted " << HexOfBytes(exact);
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF7");
        }
        EXPECT_EQ(Utf7ToWide(exact, true), cases[i].kept) << HexOfBytes(exact);
    }
    // A lone "+" at the end opens a shift that never carries a unit.
    EXPECT_THROW(Utf7ToWide("a+"), EConvertError);
    EXPECT_EQ(Utf7ToWide("a+", true), u"a");
}

}  // namespace
