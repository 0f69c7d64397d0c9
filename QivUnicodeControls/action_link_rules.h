#pragma once

// When a control shown by an action takes the action's caption and hint.
// Without `checkDefaults` it always does; with it, only where the control
// holds nothing of its own yet.

#include <string_view>

namespace qiv {

// With `checkDefaults`: the control's text is empty or still its component name.
bool ControlTakesActionCaption(std::u16string_view controlText, std::u16string_view componentName,
                               bool checkDefaults);

// With `checkDefaults`: the control's hint is empty.
bool ControlTakesActionHint(std::u16string_view controlHint, bool checkDefaults);

}  // namespace qiv
