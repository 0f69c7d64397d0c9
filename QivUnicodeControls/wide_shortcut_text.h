#pragma once

// Text of a keyboard shortcut: the key's name after "Shift+", "Ctrl+" and
// "Alt+", in that order; a numeric-pad digit reads as the digit. A key
// without a name gives an empty text.

#include <QKeyCombination>
#include <QString>

namespace qiv {

QString WideShortCutToText(QKeyCombination shortcut);

}  // namespace qiv
