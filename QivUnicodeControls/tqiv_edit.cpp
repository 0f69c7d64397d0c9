#include "QivUnicodeControls/tqiv_edit.h"

#include "QivUnicodeControls/wide_control_text.h"

TQivEdit::TQivEdit(QWidget* parent) : QLineEdit(parent) {}

QString TQivEdit::Text() const { return qiv::WideGetWindowText(this); }

void TQivEdit::SetText(const QString& value) { qiv::WideSetWindowText(this, value); }

QString TQivEdit::Hint() const { return qiv::WideGetHint(this); }

void TQivEdit::SetHint(const QString& value) { qiv::WideSetHint(this, value); }

std::vector<std::string> TQivEdit::WideStringPropertyNames() const { return {"Text", "Hint"}; }

std::optional<std::u16string> TQivEdit::GetWideStringProperty(std::string_view name) const {
    if (name == "Text") return Text().toStdU16String();
    if (name == "Hint") return Hint().toStdU16String();
    return std::nullopt;
}

void TQivEdit::SetWideStringProperty(std::string_view name, const std::u16string& value) {
    if (name == "Text") SetText(QString::fromStdU16String(value));
    if (name == "Hint") SetHint(QString::fromStdU16String(value));
}

// An edit has no action to take its hint from, so both are its own.
bool TQivEdit::IsStoredProperty(std::string_view name) const {
    return name == "Text" || name == "Hint";
}
