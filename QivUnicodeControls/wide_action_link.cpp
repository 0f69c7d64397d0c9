#include "QivUnicodeControls/wide_action_link.h"

#include "QivUnicodeControls/action_link_rules.h"
#include "QivUnicodeControls/wide_control_text.h"

namespace qiv {

namespace {

constexpr char kWideHintProperty[] = "qivWideHint";

// The tool tip the action was given. Where it has none, QAction::toolTip() reports the
// action's text instead; a tool tip that reads just as that text counts as none.
QString ActionToolTip(const QAction& action) {
    QAction untipped;
    untipped.setText(action.text());
    untipped.setIconText(action.iconText());
    const QString toolTip = action.toolTip();
    return toolTip == untipped.toolTip() ? QString() : toolTip;
}

// The hint set by SetWideActionHint as given; the tool tip only where none was set there.
QString ActionHint(const QAction& action) {
    const QVariant hint = action.property(kWideHintProperty);
    return hint.isValid() ? hint.toString() : ActionToolTip(action);
}

}  // namespace

void SetWideActionHint(QAction& action, const QString& hint) {
    action.setProperty(kWideHintProperty, hint);
    action.setToolTip(hint);
}

void ControlActionChange(QWidget* control, const QAction& action, bool checkDefaults) {
    if (control == nullptr) return;
    if (ControlTakesActionCaption(WideGetWindowText(control).toStdU16String(),
                                  control->objectName().toStdU16String(), checkDefaults))
        WideSetWindowText(control, action.text());
    if (ControlTakesActionHint(WideGetHint(control).toStdU16String(), checkDefaults))
        WideSetHint(control, ActionHint(action));
}

}  // namespace qiv
