#pragma once

#include <QStringList>

class QWidget;

// What the edits (QLineEdit, TQivEdit) and drop-downs (QComboBox, every item) inside root
// cannot show whole: a text the edit scrolls to show its end or the drop-down's style would
// elide, a widget cut off by a parent's edge or partly under a sibling, a drop-down whose
// line edit lies over its arrow. One line per fault, naming where (the caller's text), the
// widget's object name and the text. Hidden widgets show nothing and are passed over. The
// measure moves the edits' cursors (and puts an editable drop-down's items into its line
// edit) with their signals held back, and puts them back.
QStringList CutTexts(QWidget& root, const QString& where);
