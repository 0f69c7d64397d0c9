#pragma once

#include <QStringList>

class QWidget;

// What the edits (QLineEdit, TQivEdit) and drop-downs (QComboBox, every item) inside root
// cannot show whole: a text wider than the widget's text area by the widget's own font
// metrics and style, a widget cut off by a parent's edge or partly under a sibling, a
// drop-down whose line edit lies over its arrow. One line per fault, naming where (the
// caller's text), the widget's object name and the text. Hidden widgets show nothing and
// are passed over.
QStringList CutTexts(QWidget& root, const QString& where);
