#pragma once

// A widget shown by an action takes the action's text and the tool tip the
// action was given (none for an action without one): always, or with
// `checkDefaults` only where it holds none of its own (an empty text or its
// object name; an empty hint).

#include <QAction>
#include <QWidget>

namespace qiv {

void ControlActionChange(QWidget* control, const QAction& action, bool checkDefaults);

}  // namespace qiv
