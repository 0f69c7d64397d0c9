#include "QivUnicodeControls/wide_shortcut_text.h"

#include <QKeySequence>

namespace qiv {

QString WideShortCutToText(QKeyCombination shortcut) {
    const QString key = QKeySequence(shortcut.key()).toString(QKeySequence::NativeText);
    if (key.isEmpty()) return {};
    const Qt::KeyboardModifiers modifiers = shortcut.keyboardModifiers();
    QString text;
    if (modifiers & Qt::ShiftModifier) text += QStringLiteral("Shift+");
    if (modifiers & Qt::ControlModifier) text += QStringLiteral("Ctrl+");
    if (modifiers & Qt::AltModifier) text += QStringLiteral("Alt+");
    return text + key;
}

}  // namespace qiv
