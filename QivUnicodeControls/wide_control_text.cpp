#include "QivUnicodeControls/wide_control_text.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaProperty>

namespace qiv {

namespace {

// An editable drop-down and a spin box show their text in a line edit of their own.
QLineEdit* ShownLineEdit(const QWidget& control) {
    if (const auto* combo = qobject_cast<const QComboBox*>(&control))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (qobject_cast<const QAbstractSpinBox*>(&control) != nullptr)
        return control.findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    return nullptr;
}

QMetaProperty TextProperty(const QWidget& control) {
    const QMetaObject* meta = control.metaObject();
    for (const char* name : {"text", "plainText", "title"}) {
        const int index = meta->indexOfProperty(name);
        if (index < 0) continue;
        const QMetaProperty property = meta->property(index);
        if (property.isWritable() && property.metaType() == QMetaType::fromType<QString>())
            return property;
    }
    return meta->property(meta->indexOfProperty("windowTitle"));
}

}  // namespace

QString WideGetWindowText(const QWidget* control) {
    if (control == nullptr) return {};
    if (const QLineEdit* edit = ShownLineEdit(*control)) return edit->text();
    return TextProperty(*control).read(control).toString();
}

void WideSetWindowText(QWidget* control, const QString& text) {
    if (control == nullptr || WideGetWindowText(control) == text) return;
    if (QLineEdit* edit = ShownLineEdit(*control)) {
        edit->setText(text);
        return;
    }
    TextProperty(*control).write(control, text);
}

QString WideGetHint(const QWidget* control) {
    return control == nullptr ? QString() : control->toolTip();
}

void WideSetHint(QWidget* control, const QString& hint) {
    if (control == nullptr || control->toolTip() == hint) return;
    control->setToolTip(hint);
}

QString WideGetHintFromParents(const QWidget* control) {
    for (; control != nullptr; control = control->parentWidget()) {
        const QString hint = WideGetHint(control);
        if (!hint.isEmpty()) return hint;
    }
    return {};
}

}  // namespace qiv
