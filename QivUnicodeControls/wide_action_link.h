#pragma once

// A widget shown by an action takes the action's text and its own hint: always,
// or with `checkDefaults` only where it holds none of its own (an empty text or
// its object name; an empty hint). The action's own hint is the one set by
// SetWideActionHint, as given; on an action never given one there, its tool tip,
// where that says more than the action's text (none for an action without one).

#include <QAction>
#include <QString>
#include <QWidget>

namespace qiv {

// Sets the action's own hint and its tool tip.
void SetWideActionHint(QAction& action, const QString& hint);

void ControlActionChange(QWidget* control, const QAction& action, bool checkDefaults);

}  // namespace qiv
