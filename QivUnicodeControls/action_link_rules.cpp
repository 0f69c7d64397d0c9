#include "QivUnicodeControls/action_link_rules.h"

namespace qiv {

bool ControlTakesActionCaption(std::u16string_view controlText, std::u16string_view componentName,
                               bool checkDefaults) {
    return !checkDefaults || controlText.empty() || controlText == componentName;
}

bool ControlTakesActionHint(std::u16string_view controlHint, bool checkDefaults) {
    return !checkDefaults || controlHint.empty();
}

}  // namespace qiv
