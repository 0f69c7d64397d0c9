#pragma once

// Hint texts: the short part of a hint, and the wide text behind the 8-bit
// text a hint is shown with.

#include <string>
#include <string_view>

namespace qiv {

// The text before the first "|", or the whole text.
std::u16string WideGetShortHint(std::u16string_view hint);

// A hint about to be shown, and what its control holds.
struct WideHintData {
    std::string hintText;             // the 8-bit text the hint is shown with
    std::u16string shortHint;         // the short wide hint of the control (or its parents)
    bool showShortCuts = false;       // the application appends shortcuts to hints
    std::string shortCutText;         // 8-bit text of the control's action shortcut; empty: none
    std::u16string wideShortCutText;  // wide text of that shortcut
};

// The control's short wide hint when the shown text is its 8-bit form, alone
// or followed by " (shortcut)"; otherwise the shown text itself.
std::u16string GetWideHintFromData(const WideHintData& data);

}  // namespace qiv
