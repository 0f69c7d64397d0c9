#include "QivUnicodeControls/wide_hint_text.h"

#include "QivUnicodeControls/system_locale.h"

namespace qiv {

std::u16string WideGetShortHint(std::u16string_view hint) {
    return std::u16string(hint.substr(0, hint.find(u'|')));
}

std::u16string GetWideHintFromData(const WideHintData& data) {
    std::u16string shown = WideForm(data.hintText);
    if (shown.empty()) return shown;
    const std::string ansiShortHint = AnsiForm(data.shortHint);
    if (ansiShortHint == data.hintText) return data.shortHint;
    if (data.showShortCuts && !data.shortCutText.empty() &&
        ansiShortHint + " (" + data.shortCutText + ")" == data.hintText)
        return data.shortHint + u" (" + data.wideShortCutText + u")";
    return shown;
}

}  // namespace qiv
