#include "QivUnicodeControls/wide_hint_text.h"

#include <gtest/gtest.h>

#include "QivUnicodeControls/action_link_rules.h"
#include "QivUnicodeControls/system_locale.h"

namespace {

using namespace qiv;

TEST(WideHint, ShortHintIsTheTextBeforeTheFirstBar) {
    EXPECT_EQ(WideGetShortHint(u"姓名|身份证上的姓名"), u"姓名");
    EXPECT_EQ(WideGetShortHint(u"a|b|c"), u"a");
    EXPECT_EQ(WideGetShortHint(u"|long"), u"");
    EXPECT_EQ(WideGetShortHint(u"姓名"), u"姓名");
    EXPECT_EQ(WideGetShortHint(u""), u"");
}

// The shown 8-bit text loses what the code page lacks ("𠀀" and "ก" become
// "?"); the control's wide hint is given back when it is what was shown.
TEST(WideHint, WideTextBehindTheShownHint) {
    const std::u16string wide = u"姓名 \U00020000\u0E01";
    const std::string shown = AnsiForm(wide);
    ASSERT_EQ(shown, AnsiForm(u"姓名 ??"));
    const struct {
        const char* name;
        WideHintData data;
        std::u16string expected;
    } cases[] = {
        {"the control's hint", {shown, wide, false, "", u""}, wide},
        {"another text", {AnsiForm(u"住址"), wide, false, "", u""}, u"住址"},
        {"nothing shown", {"", wide, true, "Ctrl+S", u"Ctrl+S"}, u""},
        {"with shortcut",
         {shown + " (Ctrl+S)", wide, true, "Ctrl+S", u"Ctrl+S"},
         wide + u" (Ctrl+S)"},
        {"wide shortcut text",
         {shown + " (Ctrl+Shift+S)", wide, true, "Ctrl+Shift+S", u"Shift+Ctrl+S"},
         wide + u" (Shift+Ctrl+S)"},
        {"shortcuts not shown",
         {shown + " (Ctrl+S)", wide, false, "Ctrl+S", u"Ctrl+S"},
         WideForm(shown + " (Ctrl+S)")},
        {"no shortcut", {shown + " ()", wide, true, "", u""}, WideForm(shown + " ()")},
        {"other shortcut",
         {shown + " (Ctrl+O)", wide, true, "Ctrl+S", u"Ctrl+S"},
         WideForm(shown + " (Ctrl+O)")},
    };
    for (const auto& c : cases) EXPECT_EQ(GetWideHintFromData(c.data), c.expected) << c.name;
}

TEST(ActionLink, ControlTakesTheActionTextOnlyWhereItHoldsNoneOfItsOwn) {
    const struct {
        std::u16string text, name;
        bool checkDefaults, takes;
    } captions[] = {
        {u"确定", u"btnOk", false, true},  {u"", u"btnOk", true, true},
        {u"btnOk", u"btnOk", true, true},  {u"确定", u"btnOk", true, false},
        {u"btnok", u"btnOk", true, false},
    };
    for (const auto& c : captions)
        EXPECT_EQ(ControlTakesActionCaption(c.text, c.name, c.checkDefaults), c.takes);
    EXPECT_TRUE(ControlTakesActionHint(u"提示", false));
    EXPECT_TRUE(ControlTakesActionHint(u"", true));
    EXPECT_FALSE(ControlTakesActionHint(u"提示", true));
}

}  // namespace
