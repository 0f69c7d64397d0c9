#pragma once

// Wide text and hint of any widget. A widget's text is the text of its line
// edit (editable drop-downs, spin boxes), else its "text" property (edits,
// buttons, labels), else "plainText" (memos), else "title" (group boxes), else
// its window title; its hint is its tool tip. A null widget has empty texts
// and takes none.

#include <QString>
#include <QWidget>

namespace qiv {

QString WideGetWindowText(const QWidget* control);

// Writes only when the text differs, so setting the same text signals nothing.
void WideSetWindowText(QWidget* control, const QString& text);

QString WideGetHint(const QWidget* control);

// Writes only when the hint differs.
void WideSetHint(QWidget* control, const QString& hint);

// The first non-empty hint from the widget up through its parents.
QString WideGetHintFromParents(const QWidget* control);

}  // namespace qiv
