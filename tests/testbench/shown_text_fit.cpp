#include "testbench/shown_text_fit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QWidget>

namespace {

// The style options a widget paints with (initStyleOption is protected).
struct LineEditOption : QLineEdit {
    using QLineEdit::initStyleOption;
};
struct ComboBoxOption : QComboBox {
    using QComboBox::initStyleOption;
};

// A line edit keeps this many pixels free on each side of its contents rectangle.
constexpr int kLineEditMargin = 2;

// Whether text shows whole in the edit: its line rectangle must hold the text's width and
// one pixel for the cursor, or the edit scrolls the text.
bool FitsLineEdit(const QLineEdit& edit, const QString& text) {
    QStyleOptionFrame option;
    (edit.*&LineEditOption::initStyleOption)(&option);
    const QRect contents =
        edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const int room = contents.marginsRemoved(edit.textMargins()).width() - 2 * kLineEditMargin;
    const int used = qRound(QFontMetricsF(edit.font()).horizontalAdvance(text)) + 1;
    return used <= room;
}

// The drop-down's text area: the style's edit field beside the arrow.
QRect EditField(const QComboBox& combo) {
    QStyleOptionComboBox option;
    (combo.*&ComboBoxOption::initStyleOption)(&option);
    return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                         &combo);
}

// Whether text shows whole as the closed drop-down's label: the style draws it one pixel
// inside the edit field, clipped there. An editable drop-down shows it in its line edit.
bool FitsComboBox(const QComboBox& combo, const QString& text) {
    if (const QLineEdit* edit = combo.lineEdit()) return FitsLineEdit(*edit, text);
    return combo.fontMetrics().horizontalAdvance(text) <= EditField(combo).width() - 2;
}

// The visible sibling lying over part of the widget, or null.
const QWidget* CoveringSibling(const QWidget& widget) {
    if (widget.parentWidget() == nullptr) return nullptr;
    for (const QWidget* sibling :
         widget.parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (sibling != &widget && sibling->isVisible() &&
            sibling->geometry().intersects(widget.geometry())) {
            return sibling;
        }
    }
    return nullptr;
}

// Whether every parent up to the window shows the whole widget.
bool InsideParents(const QWidget& widget) {
    const QWidget* window = widget.window();
    const QRect whole(widget.mapTo(window, QPoint(0, 0)), widget.size());
    for (const QWidget* parent = widget.parentWidget(); parent != nullptr;
         parent = parent->parentWidget()) {
        const QRect shown(parent->mapTo(window, QPoint(0, 0)), parent->size());
        if (!shown.contains(whole)) return false;
        if (parent == window) break;
    }
    return true;
}

QString Fault(const QString& where, const QWidget& widget, const QString& what) {
    return where + QLatin1Char(' ') + widget.objectName() + QLatin1Char(' ') + what;
}

QString Quoted(const QString& text) { return QStringLiteral("“") + text + QStringLiteral("”"); }

// The faults of the widget's place: cut by a parent's edge, or partly under a sibling.
QStringList PlaceFaults(const QString& where, const QWidget& widget) {
    QStringList faults;
    if (!InsideParents(widget)) faults << Fault(where, widget, QStringLiteral("cut by its parent"));
    if (const QWidget* sibling = CoveringSibling(widget)) {
        const QString name = sibling->objectName().isEmpty()
                                 ? QString::fromLatin1(sibling->metaObject()->className())
                                 : sibling->objectName();
        faults << Fault(where, widget, QStringLiteral("under ") + name);
    }
    return faults;
}

}  // namespace

QStringList CutTexts(QWidget& root, const QString& where) {
    QStringList faults;
    for (const QLineEdit* edit : root.findChildren<QLineEdit*>()) {
        // A drop-down's own line edit is checked with its drop-down.
        if (!edit->isVisibleTo(&root) || qobject_cast<const QComboBox*>(edit->parentWidget())) {
            continue;
        }
        faults << PlaceFaults(where, *edit);
        if (!FitsLineEdit(*edit, edit->displayText())) {
            faults << Fault(where, *edit, Quoted(edit->displayText()));
        }
    }
    for (const QComboBox* combo : root.findChildren<QComboBox*>()) {
        if (!combo->isVisibleTo(&root)) continue;
        faults << PlaceFaults(where, *combo);
        if (combo->lineEdit() != nullptr &&
            !EditField(*combo).contains(combo->lineEdit()->geometry())) {
            faults << Fault(where, *combo, QStringLiteral("line edit over the arrow"));
        }
        for (int i = 0; i < combo->count(); ++i) {
            if (!FitsComboBox(*combo, combo->itemText(i))) {
                faults << Fault(where, *combo, Quoted(combo->itemText(i)));
            }
        }
        // An editable drop-down may show a text of none of its items.
        const QString current = combo->currentText();
        if (combo->findText(current) < 0 && !FitsComboBox(*combo, current)) {
            faults << Fault(where, *combo, Quoted(current));
        }
    }
    return faults;
}
