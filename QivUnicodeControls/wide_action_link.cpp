#include "QivUnicodeControls/wide_action_link.h"

#include "QivUnicodeControls/action_link_rules.h"
#include "QivUnicodeControls/wide_control_text.h"

namespace qiv {

void ControlActionChange(QWidget* control, const QAction& action, bool checkDefaults) {
    if (control == nullptr) return;
    if (ControlTakesActionCaption(WideGetWindowText(control).toStdU16String(),
                                  control->objectName().toStdU16String(), checkDefaults))
        WideSetWindowText(control, action.text());
    if (ControlTakesActionHint(WideGetHint(control).toStdU16String(), checkDefaults))
        WideSetHint(control, action.toolTip());
}

}  // namespace qiv
