#include "QivUnicodeControls/hot_key.h"

#include <gtest/gtest.h>

#include "QivUnicodeControls/codec_test_support.h"

namespace {

using namespace qiv;

TEST(HotKey, PositionIsTheCharacterAfterTheLastSingleMarker) {
    const struct {
        std::u16string text;
        int pos;
    } cases[] = {
        {u"&File", 2}, {u"Save &As", 7}, {u"&a&b", 4},        {u"a&&b", 0},     {u"&&&x", 4},
        {u"x&", 0},    {u"", 0},         {u"R&&D &Tools", 7}, {u"文件(&F)", 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetHotKeyPos(c.text), c.pos) << qiv_test::HexOfUnits(c.text);
}

TEST(HotKey, StripRemovesMarkersAndKeepsOneOfADoubledMarker) {
    const struct {
        std::u16string text;
        bool farEast;
        std::u16string stripped;
    } cases[] = {
        {u"&File", false, u"File"},       {u"a&&b", false, u"a&b"},
        {u"&&&x", false, u"&x"},          {u"x&", false, u"x"},
        {u"文件(&F)", false, u"文件(F)"}, {u"文件(&F)", true, u"文件"},
        {u"(&&)", true, u"(&)"},          {u"打开(&O)...", true, u"打开..."},
        {u"&Open", true, u"Open"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideStripHotkey(c.text, c.farEast), c.stripped) << qiv_test::HexOfUnits(c.text);
}

TEST(HotKey, SameCaptionComparesStrippedTextsIgnoringCase) {
    const struct {
        std::u16string a, b;
        bool farEast, same;
    } cases[] = {
        {u"&Open", u"open", false, true},   {u"Op&en", u"&OPEN", false, true},
        {u"文件(&F)", u"文件", true, true}, {u"文件(&F)", u"文件", false, false},
        {u"R&&D", u"RD", false, false},     {u"Open...", u"Open", false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideSameCaption(c.a, c.b, c.farEast), c.same)
            << qiv_test::HexOfUnits(c.a) << " / " << qiv_test::HexOfUnits(c.b);
}

// The caption takes the reference's hot key at the same shown character; a
// literal "&&" of the caption stays "&&" and never becomes a marker.
TEST(HotKey, FixMovesTheHotKeyToWhereTheReferenceHasIt) {
    const struct {
        std::u16string reference, caption;
        bool farEast;
        std::u16string fixed;
    } cases[] = {
        {u"&File", u"File", false, u"&File"},
        {u"F&ile", u"&File", false, u"F&ile"},
        {u"Save &As", u"Save As", false, u"Save &As"},
        {u"R&&D &Tools", u"R&&D Tools", false, u"R&&D &Tools"},
        {u"&R&&D", u"R&&D", false, u"&R&&D"},
        {u"a&&&b", u"a&&b", false, u"a&&&b"},
        {u"File", u"&File", false, u"File"},
        {u"abc&d", u"abc", false, u"abc"},
        {u"&&x", u"&&x", false, u"&&x"},
        {u"文件(&F)", u"文件", true, u"文件(&F)"},
        {u"文件(&F)", u"文件(&X)", true, u"文件(&F)"},
        {u"打开(&O)...", u"打开...", true, u"打开(&O)..."},
        {u"&文件", u"文件", true, u"&文件"},
    };
    for (const auto& c : cases) {
        const std::u16string fixed = WideFixHotKey(c.reference, c.caption, c.farEast);
        EXPECT_EQ(fixed, c.fixed) << qiv_test::HexOfUnits(c.reference) << " / "
                                  << qiv_test::HexOfUnits(c.caption);
        EXPECT_EQ(WideStripHotkey(fixed, c.farEast), WideStripHotkey(c.caption, c.farEast));
    }
}

}  // namespace
