#include "QivUnicodeControls/tqiv_edit.h"

TQivEdit::TQivEdit(QWidget* parent) : QLineEdit(parent) {}

void TQivEdit::SetText(const QString& value) {
    if (value == text()) return;
    setText(value);
}
